#include "app/eeprom_tasks.h"

#include "app/process_priority.h"
#include "app/recent_lists.h"
#include "eeprom/eeprom_catalogue.h"
#include "eeprom/ti2c.h"
#include "trace/task_trace.h"

namespace korvane {

namespace {

const char* const kResultCaption = " EEProm";

// Closes the programmer however a flow ends, also when the port never opened (the task-running
// flag must not outlive the flow).
class PortSession {
public:
    explicit PortSession(TI2C& ee) : ee_(ee) {}
    ~PortSession() {
        try {
            ee_.close();
        } catch (...) {
            ee_.task_running = 0;
        }
    }
    PortSession(const PortSession&) = delete;
    PortSession& operator=(const PortSession&) = delete;

private:
    TI2C& ee_;
};

} // namespace

EEPromTaskRunner::EEPromTaskRunner(SettingsRecord& settings, IHost& host, IEEPromTaskView& view,
                                   TI2C& ee, bool* busy_flag)
    : set_priority(set_process_priority), settings_(settings), host_(host), view_(view), ee_(ee),
      busy_(busy_flag ? busy_flag : &own_busy_) {}

void EEPromTaskRunner::abort() { ee_.abort(); }

bool EEPromTaskRunner::confirm(EEPromTask task) {
    if (task == EEPromTask::Program && settings_.confirm_program &&
        !confirm_box(host_, "Really want to program the Device ?"))
        return false;
    if (task == EEPromTask::Erase && settings_.confirm_erase &&
        !confirm_box(host_, "Really want to erase the Device ?"))
        return false;
    return true;
}

TaskResult EEPromTaskRunner::run(EEPromTask task, EEPromImage& active) {
    if (busy()) return TaskResult::NotRun;
    if (!confirm(task)) return TaskResult::NotRun;
    BusyPeriod period(*busy_, true, host_, view_, set_priority, settings_.priority);
    trace::TaskTrace line_trace({trace::Group::HostPort, trace::Group::I2c, trace::Group::Socket24});
    if (task == EEPromTask::Read) {
        host_.set_status_text(2, "");
        active.file_name.clear();
    }
    period.show_busy_cursor();
    ee_.image = active.bytes.data();
    ee_.load_programmer_params();
    bool ok = false;
    switch (task) {
    case EEPromTask::Read: ok = read_flow(active); break;
    case EEPromTask::Program: ok = write_flow(true, true); break;
    case EEPromTask::Verify: ok = verify_flow(true); break;
    case EEPromTask::Erase: ok = erase_flow(active); break;
    }
    if (ee_.abort_requested) return TaskResult::Aborted;
    return ok ? TaskResult::Done : TaskResult::Failed;
}

void EEPromTaskRunner::clear_active(EEPromImage& active) {
    ee_.image = active.bytes.data();
    ee_.blank_image();
    active.empty = true;
    view_.refresh_eeprom_view(true);
}

void EEPromTaskRunner::recent() { add_recent_device(settings_, kRecentEEProm, ee_.type); }

bool EEPromTaskRunner::read_flow(EEPromImage& active) {
    clear_active(active);
    PortSession session(ee_);
    if (!ee_.open()) return false;
    view_.enable_device_list(false);
    const bool ok = ee_.read_verify(false);
    if (ok) active.empty = false;
    view_.refresh_eeprom_view(true);
    recent();
    view_.enable_device_list(true);
    return ok;
}

bool EEPromTaskRunner::write_flow(bool show_message, bool verify_allowed) {
    bool ok;
    {
        PortSession session(ee_);
        if (!ee_.open()) return false;
        view_.enable_device_list(false);
        ok = ee_.write(eeprom_type(ee_.type).write_bytes);
    }
    if (ok && verify_allowed && settings_.eprom_verify_after) ok = verify_flow(false);
    if (show_message && ok) info_box(host_, kResultCaption, {"EEProm Write Successfully Completed"});
    recent();
    view_.enable_device_list(true);
    return ok;
}

bool EEPromTaskRunner::verify_flow(bool show_message) {
    bool ok;
    {
        PortSession session(ee_);
        if (!ee_.open()) return false;
        view_.enable_device_list(false);
        ok = ee_.read_verify(true);
        view_.refresh_eeprom_view(false);
        recent();
        view_.enable_device_list(true);
    }
    if (show_message && ok) info_box(host_, kResultCaption, {"EEProm Verify Successfully Completed"});
    return ok;
}

bool EEPromTaskRunner::erase_flow(EEPromImage& active) {
    clear_active(active);
    view_.enable_device_list(false);
    const bool ok = write_flow(false, false) && verify_flow(false);
    if (ok) info_box(host_, kResultCaption, {"EEProm Erase Successfully Completed"});
    view_.enable_device_list(true);
    recent();
    return ok;
}

} // namespace korvane
