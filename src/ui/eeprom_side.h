#pragma once
// The EEPROM modes' device side of the window: the TI2C object with its programmer lines and
// the task runner, seen from the window.
#include <memory>

#include "app/host.h"
#include "app/settings.h"
#include "buffers/eeprom_buffers.h"

namespace korvane {

class TMain;
class TI2C;

class EEPromSide {
public:
    enum class Task { Read, Program, Verify, Erase };

    EEPromSide(TMain& window, SettingsRecord& settings);
    ~EEPromSide();

    int type() const;
    // Gives TI2C its type (which resizes EEPromWin to last address + 1 bytes).
    void set_type(int index);
    void select_image(EEPromImage& image);
    void load_programmer_params();
    void set_progress_bar(IProgressBar* bar);
    // The line interface's EEPROM line mode for this side's programmer port.
    void set_eeprom_line_mode(bool on);

    // One task on the active buffer; returns when it has ended (the busy period is over).
    void run(Task task, EEPromImage& active);
    // The Abort button: acts only while a TI2C operation runs.
    void abort();
    bool task_running() const;

    TI2C& ti2c();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace korvane
