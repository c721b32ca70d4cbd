#pragma once
// The EEPROM mode's tasks of the task controller, free of any user interface: the confirmations,
// the busy period and the Read, Write (Program), Verify and Erase flows on TI2C. The window and
// the command line implement IEEPromTaskView and call EEPromTaskRunner::run.
#include <functional>

#include "app/host.h"
#include "app/settings.h"
#include "app/task_frame.h"
#include "buffers/eeprom_buffers.h"

namespace korvane {

class TI2C;

// What an EEPROM task needs from the window besides IHost and the busy-period widgets.
class IEEPromTaskView : public ITaskWidgets {
public:
    // Enables or disables the device list `Items_List` (the type selector).
    virtual void enable_device_list(bool on) = 0;
    // Repaints EEPromWin, clearing its edit marks first when asked.
    virtual void refresh_eeprom_view(bool clear_marks) = 0;
};

enum class EEPromTask { Read, Program, Verify, Erase };

class EEPromTaskRunner {
public:
    // `busy_flag` is the task controller's busy flag, shared with the other work modes; when
    // null the runner keeps its own.
    EEPromTaskRunner(SettingsRecord& settings, IHost& host, IEEPromTaskView& view, TI2C& ee,
                     bool* busy_flag = nullptr);

    bool busy() const { return *busy_; }

    // Runs one task on the active buffer (which `ee` must already reference). Refused silently
    // while busy or when a confirmation is answered No. However it ends, the port is closed, the
    // cursor restored, the priority normal again and the busy flag down.
    TaskResult run(EEPromTask task, EEPromImage& active);

    // The Abort handler (`btnAbort`): acts only while a TI2C operation runs.
    void abort();

    // Sets the process priority class (0 normal, 1 high, 2 real time); tests replace it.
    std::function<void(int)> set_priority;

    // --- the flows, also usable on their own (no busy period) ---
    bool read_flow(EEPromImage& active);
    bool write_flow(bool show_message, bool verify_allowed);
    bool verify_flow(bool show_message);
    bool erase_flow(EEPromImage& active);

private:
    bool confirm(EEPromTask task);
    void clear_active(EEPromImage& active);
    void recent();

    SettingsRecord& settings_;
    IHost& host_;
    IEEPromTaskView& view_;
    TI2C& ee_;
    bool own_busy_ = false;
    bool* busy_;
};

} // namespace korvane
