#include "app/pic_tasks.h"

#include "app/config_word.h"
#include "app/process_priority.h"
#include "app/task_frame.h"
#include "files/hex_text.h"
#include "pic/pic_catalogue.h"
#include "pic/tpic.h"
#include "trace/task_trace.h"

namespace korvane {

namespace {

constexpr int kRecentKindPic = 1;

bool framed(PicTask task) { return task != PicTask::ProgramConfig && task != PicTask::ClearCP; }

} // namespace

ProgrammerSession::~ProgrammerSession() {
    try {
        pic_.close_programmer();
    } catch (...) {
        pic_.task_running = 0;
    }
}

PicTaskRunner::PicTaskRunner(SettingsRecord& settings, IHost& host, IPicTaskView& view, TPIC& pic,
                             bool* busy_flag)
    : set_priority(set_process_priority), settings_(settings), host_(host), view_(view), pic_(pic),
      busy_(busy_flag ? busy_flag : &own_busy_) {}

void PicTaskRunner::abort() {
    if (pic_.task_running) pic_.abort();
}

bool PicTaskRunner::confirm(PicTask task, const PicImage& active) {
    const bool program = task == PicTask::Program || task == PicTask::ProgramCode ||
                         task == PicTask::ProgramData;
    if (program && settings_.confirm_program && !confirm_box(host_, "Really want to program the Device ?"))
        return false;
    const bool protect = !iso_pic_mode && (task == PicTask::Program || task == PicTask::ProgramConfig);
    if (protect && settings_.confirm_cp && config_word_protects(pic_.device_index, active.config[7]) &&
        !confirm_box(host_, "Really want to protect the Device ?"))
        return false;
    if (task == PicTask::Erase && settings_.confirm_erase &&
        !confirm_box(host_, "Really want to erase the Device ?"))
        return false;
    if (task == PicTask::ClearCP && settings_.unprotect_dev &&
        !confirm_box(host_, "Really want to unprotect the Device ?"))
        return false;
    return true;
}

TaskResult PicTaskRunner::run(PicTask task, PicImage& active) {
    if (busy()) return TaskResult::NotRun;
    if (!confirm(task, active)) return TaskResult::NotRun;
    BusyPeriod period(*busy_, framed(task), host_, view_, set_priority, settings_.priority);
    trace::TaskTrace line_trace({trace::Group::HostPort, trace::Group::Icsp, trace::Group::Board});
    if (task == PicTask::Read) {
        host_.set_status_text(2, "");
        active.file_name.clear();
    }
    period.show_busy_cursor();
    return run_task(task, active);
}

TaskResult PicTaskRunner::run_task(PicTask task, PicImage& active) {
    pic_.select_image(active);
    pic_.load_programmer_params();
    return run_pic(task, active);
}

// Open and, when asked, the device check. False ends the task; the failure has been reported.
bool PicTaskRunner::open_and_check(bool check_device) {
    if (!pic_.open_programmer()) return false;
    if (!check_device) return true;
    pic_.device_id_read = 0x3FFF;
    if (settings_.check_pic && !pic_.device_check()) {
        error_box(host_, pic_.title(), {"Wrong PIC Type Selected"});
        return false;
    }
    return true;
}

// One body for both families: TPIC runs the operation of the device's family.
TaskResult PicTaskRunner::run_pic(PicTask task, PicImage& active) {
    ProgrammerSession session(pic_);
    const bool check = task != PicTask::Erase && task != PicTask::ClearCP;
    if (!open_and_check(check)) return TaskResult::Failed;

    const bool write_verify = settings_.write_verify != 0;
    const bool report = settings_.verify_after == 0;
    const bool erase_first = settings_.erase_before != 0;
    auto aborted = [&] { return pic_.abort_requested != 0; };
    auto recent = [&] { add_recent_device(settings_, kRecentKindPic, pic_.device_index); };

    if (task == PicTask::ProgramConfig) {
        const bool ok = pic_.program_configuration(write_verify, true);
        if (aborted()) return TaskResult::Aborted;
        return ok && pic_.last_all_ok ? TaskResult::Done : TaskResult::Failed;
    }
    if (task == PicTask::Erase || task == PicTask::ClearCP) {
        pic_.erase(task == PicTask::ClearCP, true);   // 18F: both forms are the chip erase
        recent();
        return TaskResult::Done;
    }

    view_.show_pic_id(hex_word_text(pic_.device_id_read));
    view_.lock_config_panel();
    bool ok = false;
    switch (task) {
    case PicTask::Read:
        ok = pic_.read_all(false, false);
        if (ok) active.empty = false;
        else if (!aborted()) error_box(host_, pic_.title(), {"Couldn't read from PIC"});
        view_.refresh_views(true);
        break;
    case PicTask::Verify:
        ok = pic_.verify_all(false);
        if (!ok && !aborted()) error_box(host_, pic_.title(), {"Couldn't read from PIC"});
        if (ok) view_.refresh_views(false);
        ok = ok && pic_.last_all_ok;
        break;
    case PicTask::Program:
        ok = pic_.program_all(write_verify, report, erase_first);
        if (ok && settings_.verify_after) ok = pic_.verify_all(true) && pic_.last_all_ok;
        view_.refresh_views(false);
        break;
    case PicTask::ProgramCode:
        ok = pic_.program_code_area(write_verify, report, erase_first);
        view_.refresh_views(false);
        break;
    case PicTask::ProgramData:
        ok = pic_.program_data_area(write_verify, report, erase_first);
        view_.refresh_views(false);
        break;
    default: break;
    }
    recent();
    if (aborted()) return TaskResult::Aborted;
    return ok ? TaskResult::Done : TaskResult::Failed;
}

} // namespace korvane
