#include "app/process_priority.h"
#include "app/task_frame.h"
#include "card/card_flows.h"
#include "trace/task_trace.h"

namespace korvane {

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
    BusyPeriod period(*busy_, true, host_, view_, set_priority, settings_.priority);
    trace::TaskTrace line_trace(
        {trace::Group::HostPort, trace::Group::Icsp, trace::Group::Board, trace::Group::Card});
    period.show_busy_cursor();
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
