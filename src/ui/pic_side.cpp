#include "ui/pic_side.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include "app/pic_tasks.h"
#include "app/recent_lists.h"
#include "card/write_loader.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"
#include "pic/pic_catalogue.h"
#include "pic/serial_io_lines.h"
#include "pic/tpic.h"
#include "ui/config_panel.h"
#include "ui/main_window.h"
#include "ui/mem_grid.h"

namespace korvane {

namespace {

PicTask to_task(PicSide::Task t) {
    switch (t) {
    case PicSide::Task::Read: return PicTask::Read;
    case PicSide::Task::Program: return PicTask::Program;
    case PicSide::Task::Verify: return PicTask::Verify;
    case PicSide::Task::Erase: return PicTask::Erase;
    case PicSide::Task::ClearCP: return PicTask::ClearCP;
    case PicSide::Task::ProgramCode: return PicTask::ProgramCode;
    case PicSide::Task::ProgramData: return PicTask::ProgramData;
    case PicSide::Task::ProgramConfig: return PicTask::ProgramConfig;
    }
    return PicTask::Read;
}

} // namespace

struct PicSide::Impl : IPicTaskView {
    Impl(TMain& w, SettingsRecord& s, bool iso_mode)
        : window(w), settings(s), iso(iso_mode), io(s, w, default_port_resolver()),
          lines(io, default_port_resolver()), pic(s, w, lines), runner(s, w, *this, pic, &w.busy_) {
        pic.grid_sizes_changed = [this](int code_bytes, int data_bytes) {
            window.CodeWin->setByteSize(code_bytes);
            window.DataWin->setByteSize(data_bytes);
        };
        if (window.priority_hook) runner.set_priority = window.priority_hook;
        runner.iso_pic_mode = iso_mode;   // the protect question belongs to the PIC mode only
    }

    void show_pic_id(const std::string& id) override {
        window.config->set_pic_id(std::uint16_t(QString::fromStdString(id).toUInt(nullptr, 16)));
    }
    void lock_config_panel() override { window.config->lock(); }
    void refresh_views(bool clear_marks) override { window.refresh_views(clear_marks); }
    void enable_abort() override { window.abort_widgets(true); }
    void disable_abort() override { window.abort_widgets(false); }

    TMain& window;
    SettingsRecord& settings;
    bool iso;
    Serial_IO io;
    SerialIoLines lines;
    TPIC pic;
    PicTaskRunner runner;
};

PicSide::PicSide(TMain& window, SettingsRecord& settings, bool iso_mode)
    : impl_(std::make_unique<Impl>(window, settings, iso_mode)) {}

PicSide::~PicSide() = default;

int PicSide::device() const { return impl_->pic.device_index; }

void PicSide::set_device(int index) { impl_->pic.set_device(index); }

void PicSide::select_image(PicImage& image) { impl_->pic.select_image(image); }

void PicSide::load_programmer_params() { impl_->pic.load_programmer_params(); }

void PicSide::set_progress_bar(IProgressBar* bar) { impl_->pic.progress_bar = bar; }

void PicSide::run(Task task, PicImage& active) {
    impl_->runner.run(to_task(task), active);
}

void PicSide::abort() { impl_->runner.abort(); }

bool PicSide::task_running() const { return impl_->pic.task_running != 0; }

bool PicSide::write_loader(PicImage& active) {
    LoaderWriter writer(impl_->settings, impl_->window, *impl_, impl_->pic, &impl_->window.busy_,
                        &default_port_resolver());
    if (impl_->window.priority_hook) writer.set_priority = impl_->window.priority_hook;
    return writer.run(active);
}

} // namespace korvane
