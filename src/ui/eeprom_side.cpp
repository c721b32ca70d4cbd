#include "ui/eeprom_side.h"

#include <QComboBox>

#include "app/eeprom_tasks.h"
#include "eeprom/ti2c.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"
#include "pic/serial_io_lines.h"
#include "ui/main_window.h"
#include "ui/mem_grid.h"

namespace korvane {

namespace {
EEPromTask to_task(EEPromSide::Task t) {
    switch (t) {
    case EEPromSide::Task::Read: return EEPromTask::Read;
    case EEPromSide::Task::Program: return EEPromTask::Program;
    case EEPromSide::Task::Verify: return EEPromTask::Verify;
    case EEPromSide::Task::Erase: return EEPromTask::Erase;
    }
    return EEPromTask::Read;
}
} // namespace

struct EEPromSide::Impl : IEEPromTaskView {
    Impl(TMain& w, SettingsRecord& s)
        : window(w), io(s, w, default_port_resolver()), lines(io, default_port_resolver()), ee(s, w, lines),
          runner(s, w, *this, ee, &w.busy_) {
        ee.grid_size_changed = [this](int bytes) { window.EEPromWin->setByteSize(bytes); };
        if (window.priority_hook) runner.set_priority = window.priority_hook;
    }

    void enable_abort() override { window.abort_widgets(true); }
    void disable_abort() override { window.abort_widgets(false); }
    void enable_device_list(bool on) override { window.Items_List->setEnabled(on); }
    void refresh_eeprom_view(bool clear_marks) override { window.refresh_eeprom_view(clear_marks); }

    TMain& window;
    Serial_IO io;
    SerialIoLines lines;
    TI2C ee;
    EEPromTaskRunner runner;
};

EEPromSide::EEPromSide(TMain& window, SettingsRecord& settings)
    : impl_(std::make_unique<Impl>(window, settings)) {}

EEPromSide::~EEPromSide() = default;

int EEPromSide::type() const { return impl_->ee.type; }
void EEPromSide::set_type(int index) { impl_->ee.set_type(index); }
void EEPromSide::select_image(EEPromImage& image) { impl_->ee.image = image.bytes.data(); }
void EEPromSide::load_programmer_params() { impl_->ee.load_programmer_params(); }
void EEPromSide::set_progress_bar(IProgressBar* bar) { impl_->ee.progress_bar = bar; }
void EEPromSide::set_eeprom_line_mode(bool on) { impl_->io.set_eeprom_line_mode(on); }
void EEPromSide::run(Task task, EEPromImage& active) { impl_->runner.run(to_task(task), active); }
void EEPromSide::abort() { impl_->runner.abort(); }
bool EEPromSide::task_running() const { return impl_->ee.task_running != 0; }
TI2C& EEPromSide::ti2c() { return impl_->ee; }

} // namespace korvane
