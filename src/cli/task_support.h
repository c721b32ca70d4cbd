#pragma once
// What the device commands of korvane-cli share: Ctrl-C as the Abort button, a progress bar on
// stderr, the host of a device task and the Direct I/O grant of the start-up.
#include <functional>
#include <string>
#include <vector>

#include <csignal>

#include "app/host.h"
#include "app/settings.h"
#include "cli/cli.h"
#include "hardware/ports.h"

namespace korvane::cli {

// Set by SIGINT/SIGTERM while an InterruptScope is alive.
bool take_interrupt();

// Ctrl-C during a task asks for an abort; the task then ends through its normal end steps.
class InterruptScope {
public:
    InterruptScope();
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
};

// A one-line bar on stderr, redrawn when the shown percentage changes.
class TerminalProgress : public IProgressBar {
public:
    void set_range(int min, int max) override;
    void set_step(int step) override { step_ = step; }
    void step_it() override;
    void set_position(int pos) override;
    void clear();

private:
    void draw();
    int min_ = 0, max_ = 0, step_ = 1, pos_ = 0, shown_ = -1;
    bool visible_ = false;
};

// The command line's host for a device task: pumping polls Ctrl-C, boxes clear the bar first.
class TaskHost : public CliHost {
public:
    TerminalProgress* progress = nullptr;
    std::function<void()> on_interrupt;

    int message_box(const std::vector<std::string>& lines, MsgKind kind,
                    const std::vector<int>& buttons) override {
        if (progress) progress->clear();
        return CliHost::message_box(lines, kind, buttons);
    }
    void process_messages() override {
        if (take_interrupt() && on_interrupt) on_interrupt();
    }
};

// As at the window's start-up: a programmer that asks for Direct I/O on a real port needs port
// access; without it this run switches to the serial calls (the settings file is not written).
void grant_direct_io(SettingsRecord& settings, IHost& host, PortResolver& resolver);

// read, program, verify and erase for a 24Cxx named with -d (cmd_eeprom.cpp).
int run_eeprom_command(Context& ctx, const std::string& name);
std::string eeprom_task_help();

} // namespace korvane::cli
