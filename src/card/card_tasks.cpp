#include "app/process_priority.h"
#include "card/card_flows.h"

namespace korvane {

namespace {

// One busy period; everything is put back however the task ends.
class CardBusyPeriod {
public:
    CardBusyPeriod(bool& busy, IHost& host, ICardView& view, const std::function<void(int)>& set_priority,
                   int priority)
        : busy_(busy), host_(host), view_(view), set_priority_(set_priority) {
        busy_ = true;
        view_.enable_abort();
        if (set_priority_) set_priority_(priority);
        host_.process_messages();
        host_.set_busy_cursor(true);
    }
    ~CardBusyPeriod() {
        try {
            host_.set_busy_cursor(false);
            if (set_priority_) set_priority_(0);
            view_.disable_abort();
        } catch (...) {
        }
        busy_ = false;
        try {
            host_.process_messages();
        } catch (...) {
        }
    }
    CardBusyPeriod(const CardBusyPeriod&) = delete;
    CardBusyPeriod& operator=(const CardBusyPeriod&) = delete;

private:
    bool& busy_;
    IHost& host_;
    ICardView& view_;
    const std::function<void(int)>& set_priority_;
};

} // namespace

CardTaskRunner::CardTaskRunner(SettingsRecord& settings, IHost& host, ICardView& view, TEE_THRU_IO& io,
                               bool* busy_flag)
    : set_priority(set_process_priority), settings_(settings), host_(host), view_(view), io_(io),
      busy_(busy_flag ? busy_flag : &own_busy_) {}

bool CardTaskRunner::confirm(CardTask task) {
    if (task == CardTask::Program && settings_.confirm_program &&
        !confirm_box(host_, "Really want to program the Device ?"))
        return false;
    if (task == CardTask::Erase && settings_.confirm_erase && !confirm_box(host_, "Really want to erase the Device ?"))
        return false;
    return true;
}

CardTaskResult CardTaskRunner::run(CardTask task, EEPromImage& active) {
    if (busy() || !confirm(task)) return CardTaskResult::NotRun;
    CardBusyPeriod period(*busy_, host_, view_, set_priority, settings_.priority);
    if (task == CardTask::Read) {
        host_.set_status_text(2, "");
        active.file_name.clear();
    }
    CardEEPromFlows flows(io_, host_, view_, settings_.iso_eeprom_device);
    flows.set_priority = set_priority;
    bool ok = false;
    switch (task) {
    case CardTask::Read: ok = flows.read_through(active); break;
    case CardTask::Program: ok = flows.write_through(active, true); break;
    case CardTask::Verify: ok = flows.verify_through(active, true); break;
    case CardTask::Erase: ok = flows.erase_through(active); break;
    }
    if (io_.abort_requested) return CardTaskResult::Aborted;
    return ok ? CardTaskResult::Done : CardTaskResult::Failed;
}

} // namespace korvane
