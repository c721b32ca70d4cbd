#include "ui/card_side.h"

#include <QComboBox>

#include "hardware/ports.h"
#include "ui/main_window.h"

namespace korvane {

struct CardSide::Impl : ICardView {
    Impl(TMain& w, SettingsRecord& s)
        : window(w), io(s, w, default_port_resolver()), runner(s, w, *this, io, &w.busy_) {
        io.progress_bar = w.progress_.get();   // always: the option does not apply to the card
        if (window.priority_hook) runner.set_priority = window.priority_hook;
    }
    void set_device_list_enabled(bool on) override { window.Items_List->setEnabled(on); }
    void refresh_eeprom_grid(bool clear_marks) override { window.refresh_eeprom_view(clear_marks); }
    void enable_abort() override { window.abort_widgets(true); }
    void disable_abort() override { window.abort_widgets(false); }

    TMain& window;
    TEE_THRU_IO io;
    CardTaskRunner runner;
};

CardSide::CardSide(TMain& window, SettingsRecord& settings) : impl_(std::make_unique<Impl>(window, settings)) {}

CardSide::~CardSide() = default;

CardTaskResult CardSide::run(CardTask task, EEPromImage& active) { return impl_->runner.run(task, active); }

void CardSide::abort() { impl_->runner.abort(); }

bool CardSide::task_running() const { return impl_->runner.task_running(); }

} // namespace korvane
