#pragma once
// The busy period every framed task runs in, whatever its work mode: the busy flag (the only
// re-entry guard), the Abort button with the read-only grids, the process priority and the
// hour-glass cursor. The PIC, EEPROM and card task runners share it.
#include <functional>

#include "app/host.h"

namespace korvane {

enum class TaskResult {
    NotRun,     // busy, or a confirmation was answered No
    Done,       // the task ran and reported success
    Failed,     // the task reported a failure (port, wrong device, write or verify failure)
    Aborted,    // the Abort button stopped it
};

// The window's side of Enable_Abort / Disable_Abort.
class ITaskWidgets {
public:
    virtual ~ITaskWidgets() = default;
    // Show and enable `btnAbort`, make the three grids read-only, disable the buffer buttons
    // other than the active one.
    virtual void enable_abort() = 0;
    // Hide and disable `btnAbort`, grids editable, all five buffer buttons enabled.
    virtual void disable_abort() = 0;
};

// The flag is raised for every task so no handler can start a second one from the message pump;
// the Abort button, the cursor and the priority only for framed tasks. The destructor undoes it
// all, also when the task ends by an exception.
class BusyPeriod {
public:
    BusyPeriod(bool& busy, bool framed, IHost& host, ITaskWidgets& widgets,
               const std::function<void(int)>& set_priority, int priority);
    ~BusyPeriod();
    void show_busy_cursor();
    BusyPeriod(const BusyPeriod&) = delete;
    BusyPeriod& operator=(const BusyPeriod&) = delete;

private:
    bool& busy_;
    bool framed_;
    bool cursor_ = false;
    IHost& host_;
    ITaskWidgets& widgets_;
    const std::function<void(int)>& set_priority_;
};

} // namespace korvane
