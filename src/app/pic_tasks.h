#pragma once
// The PIC tasks of the task controller, free of any user interface: confirmations, the busy
// period, opening the programmer, the device check, the operation, the views and the recent list.
// The main window (and the command line) implement IPicTaskView and call PicTaskRunner::run.
#include <functional>
#include <string>

#include "app/host.h"
#include "app/settings.h"
#include "app/task_frame.h"
#include "buffers/pic_buffers.h"

namespace korvane {

class TPIC;

// What a PIC task needs from the window besides IHost.
class IPicTaskView : public ITaskWidgets {
public:
    // The `PICID` box: the device ID read, four upper-case hex digits ("3FFF" when not checked).
    virtual void show_pic_id(const std::string& id) = 0;
    // Disable `Items_List`, `Oscillator`, `CodeProtect` and the eight fuse check boxes;
    // rebuilding the configuration panel enables them again.
    virtual void lock_config_panel() = 0;
    // Repaint CodeWin and DataWin (clearing their edit marks first when asked) and rebuild the
    // configuration panel from the configuration area.
    virtual void refresh_views(bool clear_marks) = 0;
};

enum class PicTask {
    Read,            // Read PIC
    Program,         // Program PIC (program all, then verify all when VerifyAfter is on)
    Verify,          // Verify PIC
    Erase,           // Erase PIC (bulk erase)
    ClearCP,         // Remove code protection
    ProgramCode,     // Program Code Area
    ProgramData,     // Program Data Area
    ProgramConfig,   // Program Config
};

// Closes the programmer however the task ends. Made before the open, so a failed open still
// clears the task-running flag it set.
class ProgrammerSession {
public:
    explicit ProgrammerSession(TPIC& pic) : pic_(pic) {}
    ~ProgrammerSession();
    ProgrammerSession(const ProgrammerSession&) = delete;
    ProgrammerSession& operator=(const ProgrammerSession&) = delete;

private:
    TPIC& pic_;
};

class PicTaskRunner {
public:
    // `busy_flag` is the task controller's busy flag, shared with the other work modes; when null
    // the runner keeps its own.
    PicTaskRunner(SettingsRecord& settings, IHost& host, IPicTaskView& view, TPIC& pic,
                  bool* busy_flag = nullptr);

    bool busy() const { return *busy_; }

    // Runs one task on the active image (which `pic` must already reference). Refused silently
    // while busy. However the task ends (success, failure, abort, an exception) the programmer
    // is closed, the cursor restored, the priority normal again and the busy flag down.
    TaskResult run(PicTask task, PicImage& active);

    // The Abort handler (`btnAbort`): acts only while a TPIC task runs.
    void abort();

    // Sets the process priority class (0 normal, 1 high, 2 real time); tests replace it.
    std::function<void(int)> set_priority;

    // Set by the ISO-PIC mode: the protect question belongs to the PIC mode only.
    bool iso_pic_mode = false;

private:
    bool confirm(PicTask task, const PicImage& active);
    TaskResult run_task(PicTask task, PicImage& active);
    TaskResult run_pic(PicTask task, PicImage& active);
    bool open_and_check(bool check_device);

    SettingsRecord& settings_;
    IHost& host_;
    IPicTaskView& view_;
    TPIC& pic_;
    bool own_busy_ = false;
    bool* busy_;
};

} // namespace korvane
