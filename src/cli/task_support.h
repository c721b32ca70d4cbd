#pragma once
// What the device and card commands of korvane-cli share: Ctrl-C as the Abort button, a progress
// bar on stderr, the host of a device task, the Direct I/O grant of the start-up and the options
// and file arguments the task commands have in common.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <csignal>

#include "app/host.h"
#include "app/pic_tasks.h"
#include "app/settings.h"
#include "cli/cli.h"
#include "hardware/ports.h"

namespace korvane::cli {

// Set by SIGINT or SIGTERM while an InterruptScope is alive.
bool take_interrupt();

// Ctrl-C or SIGTERM during a task asks for an abort; the task then ends through its normal end
// steps, so the target is never left powered with half a write.
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

// The view of a command-line PIC task: nothing to lock or repaint.
class NullPicView : public IPicTaskView {
public:
    void show_pic_id(const std::string&) override {}
    void lock_config_panel() override {}
    void refresh_views(bool) override {}
    void enable_abort() override {}
    void disable_abort() override {}
};

// The bar is drawn only when stderr is a terminal: then the device (`device_bar`) and the host's
// boxes use it.
void attach_progress(TaskHost& host, TerminalProgress& bar, IProgressBar*& device_bar);

// Runs `runner.run(args...)` with Ctrl-C calling `abort` from the event pump, at the priority the
// command line was started with; the bar is cleared afterwards. Returns what the run returned.
template <class Runner, class... Args>
auto run_abortable(TaskHost& host, Runner& runner, std::function<void()> abort, Args&... args) {
    runner.set_priority = nullptr;
    host.on_interrupt = std::move(abort);
    auto result = [&] {
        InterruptScope interrupts;
        return runner.run(args...);
    }();
    if (host.progress) host.progress->clear();
    return result;
}

// The end of a successful read task: `saved` says whether the image went into `file` (a failed
// save has shown its box). Returns the exit status.
int finish_read(bool saved, const std::string& title, const std::string& file);

// A task takes one file (`file_kind`, "HEX file") when `needs_file`, else none: the usage error
// message for `count` files, "" when the count is right.
std::string file_count_error(const std::string& task, std::size_t count, bool needs_file,
                             const std::string& file_kind);

// A task command's argument args[i] that none of its family's options took: --io direct|api
// (common to all), another word starting with '-' (but "-") is refused with `refusal`, the rest
// are files. False with the usage error in `error`.
bool parse_common_arg(const std::vector<std::string>& args, std::size_t& i, SettingsRecord& settings,
                      std::vector<std::string>& files, const std::string& refusal, std::string& error);
// An option's value, a whole number 0 .. max of at most three digits, in `unit` ("milliseconds");
// i moves past it. False with the usage error in `error`.
bool parse_number_option(const std::vector<std::string>& args, std::size_t& i, const std::string& unit,
                         unsigned max, unsigned& value, std::string& error);

// As at the window's start-up: a programmer that asks for Direct I/O on a real port needs port
// access; without it this run switches to the serial calls (the settings file is not written).
void grant_direct_io(SettingsRecord& settings, IHost& host, PortResolver& resolver);

// read, program, verify and erase for a 24Cxx named with -d (cmd_eeprom.cpp).
int run_eeprom_command(Context& ctx, const std::string& name);
std::string eeprom_task_help();

} // namespace korvane::cli
