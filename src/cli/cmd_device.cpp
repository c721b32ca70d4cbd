// korvane-cli PIC device commands (16F and 18F families): read, program, verify, erase, clearcp, ports.
// They run the same PIC tasks as the window (confirmations answered Yes), against the port of the
// programmer record: a real port or the simulated bench "SIM".
#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

#include <unistd.h>

#include "app/pic_tasks.h"
#include "buffers/pic_buffers.h"
#include "cli/cli.h"
#include "files/pic_files.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"
#include "hardware/system_seams.h"
#include "pic/pic_catalogue.h"
#include "pic/serial_io_lines.h"
#include "pic/tpic.h"

namespace korvane::cli {
namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void on_interrupt(int) { g_interrupted = true; }

// Ctrl-C during a task asks for an abort; the task then ends through its normal end steps.
class InterruptScope {
public:
    InterruptScope() {
        g_interrupted = false;
        struct sigaction sa {};
        sa.sa_handler = on_interrupt;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &old_int_);
        sigaction(SIGTERM, &sa, &old_term_);
    }
    ~InterruptScope() {
        sigaction(SIGINT, &old_int_, nullptr);
        sigaction(SIGTERM, &old_term_, nullptr);
    }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    struct sigaction old_int_ {};
    struct sigaction old_term_ {};
};

// A one-line bar on stderr, redrawn when the shown percentage changes.
class TerminalProgress : public IProgressBar {
public:
    void set_range(int min, int max) override {
        min_ = min;
        max_ = max;
        shown_ = -1;
    }
    void set_step(int step) override { step_ = step; }
    void step_it() override {
        pos_ += step_;
        draw();
    }
    void set_position(int pos) override {
        pos_ = pos;
        if (pos_ <= min_) clear();
        else draw();
    }
    void clear() {
        if (visible_) std::fputs("\r\033[K", stderr);
        visible_ = false;
        shown_ = -1;
    }

private:
    void draw() {
        if (max_ <= min_) return;
        const int pct = int(100LL * (pos_ - min_) / (max_ - min_));
        if (pct == shown_) return;
        shown_ = pct;
        constexpr int kWidth = 40;
        const int filled = std::min(kWidth, std::max(0, pct * kWidth / 100));
        std::string bar(std::size_t(filled), '#');
        bar.append(std::size_t(kWidth - filled), '.');
        std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), std::min(100, std::max(0, pct)));
        std::fflush(stderr);
        visible_ = true;
    }
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
        if (g_interrupted.exchange(false) && on_interrupt) on_interrupt();
    }
};

// The view of a command-line task: nothing to lock or repaint.
class NullView : public IPicTaskView {
public:
    void show_pic_id(const std::string&) override {}
    void lock_config_panel() override {}
    void refresh_views(bool) override {}
    void enable_abort() override {}
    void disable_abort() override {}
};

struct Options {
    std::vector<std::string> files;
};

// Applies the one-run options to the settings; false with a usage error in `error`.
bool parse_options(Context& ctx, Options& opt, std::string& error) {
    auto& s = ctx.settings;
    for (std::size_t i = 0; i < ctx.args.size(); ++i) {
        const std::string& a = ctx.args[i];
        if (a == "--no-verify") { s.write_verify = 0; s.verify_after = 0; }
        else if (a == "--verify-after") s.verify_after = 1;
        else if (a == "--erase") s.erase_before = 1;
        else if (a == "--no-erase") s.erase_before = 0;
        else if (a == "--skip-blank") s.skip_3fff = 1;
        else if (a == "--no-skip-blank") s.skip_3fff = 0;
        else if (a == "--no-check") s.check_pic = 0;
        else if (a == "--delay") {
            if (i + 1 >= ctx.args.size()) { error = "--delay needs milliseconds"; return false; }
            const std::string& v = ctx.args[++i];
            if (v.empty() || v.size() > 3 || v.find_first_not_of("0123456789") != std::string::npos) {
                error = "--delay takes milliseconds, 0 to 999: " + v;
                return false;
            }
            s.current_programmer().prog_delay_ms = std::uint32_t(std::stoul(v));
        } else if (a == "--io") {
            if (i + 1 >= ctx.args.size()) { error = "--io needs direct or api"; return false; }
            const std::string& v = ctx.args[++i];
            if (v == "direct") s.current_programmer().direct_io = 1;
            else if (v == "api") s.current_programmer().direct_io = 0;
            else { error = "--io takes direct or api, not " + v; return false; }
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            error = "unknown option " + a;
            return false;
        } else {
            opt.files.push_back(a);
        }
    }
    return true;
}

// As at the window's start-up: a programmer that asks for Direct I/O on a real port needs port
// access; without it this run switches to the serial calls (the settings file is not written).
void grant_direct_io(SettingsRecord& settings, IHost& host, PortResolver& resolver) {
    ProgrammerParams& prog = settings.current_programmer();
    if (!prog.direct_io || resolver.resolve(prog.port_name.str()).simulated) return;
    IPortIO& ports = system_port_io();
    ports.enable_direct(true);
    if (ports.driver_ready()) return;
    error_box(host, "", {"Could not start Direct I/O Driver!", ports.last_error(), "Switching to Windows API"});
    prog.direct_io = 0;
}

int run_task(Context& ctx, const std::string& name, PicTask task) {
    Options opt;
    std::string error;
    if (!parse_options(ctx, opt, error)) return usage_error(name, error);
    const bool needs_file = task == PicTask::Read || task == PicTask::Program || task == PicTask::Verify;
    if (opt.files.size() != (needs_file ? 1u : 0u))
        return usage_error(name, needs_file ? name + " needs one HEX file" : name + " takes no file");
    if (ctx.device_is_eeprom) return usage_error(name, name + " works on PIC devices; EEPROMs are not done here yet");

    TaskHost host;
    auto image = std::make_unique<PicImage>();
    clear_pic_image(*image, ctx.pic_device);
    const PicFileContext files{*image, ctx.pic_device, ctx.settings, host};
    if ((task == PicTask::Program || task == PicTask::Verify) && !open_pic_file(files, opt.files[0]))
        return kExitFailure;

    PortResolver& resolver = default_port_resolver();
    grant_direct_io(ctx.settings, host, resolver);
    Serial_IO io(ctx.settings, host, resolver);
    SerialIoLines lines(io, resolver);
    TPIC pic(ctx.settings, host, lines);
    pic.load_settings();
    pic.select_image(*image);
    TerminalProgress bar;
    if (::isatty(STDERR_FILENO)) {
        pic.progress_bar = &bar;
        host.progress = &bar;
    }
    NullView view;
    PicTaskRunner runner(ctx.settings, host, view, pic);
    runner.set_priority = nullptr;   // a command-line run keeps its priority
    host.on_interrupt = [&] { runner.abort(); };

    TaskResult result;
    {
        InterruptScope interrupts;
        result = runner.run(task, *image);
    }
    bar.clear();
    if (result != TaskResult::Done) return kExitFailure;
    if (task == PicTask::Read) {
        if (!save_pic_file(files, opt.files[0])) return kExitFailure;
        std::cerr << pic.title() << ": read into " << opt.files[0] << "\n";
    }
    return kExitOk;
}

int run_ports(Context& ctx) {
    if (!ctx.args.empty()) return usage_error("ports", "ports takes no arguments");
    for (const auto& e : default_port_resolver().enumerate()) std::cout << e.label() << "\n";
    return kExitOk;
}

const char* kTaskOptions =
    "Options for this run (the settings file is not changed):\n"
    "  --no-verify               no read-back while programming, no verify afterwards\n"
    "  --verify-after            verify the whole device after programming\n"
    "  --erase, --no-erase       erase before programming\n"
    "  --skip-blank, --no-skip-blank\n"
    "                            leave blank program words (16F 3FFF, 18F blocks of FFFF)\n"
    "                            unwritten, check them only\n"
    "  --no-check                skip the device ID check\n"
    "  --delay MS                programming delay (the I/O delay of the programmer)\n"
    "  --io direct|api           UART registers or serial calls\n"
    "Ctrl-C aborts the task; the programmer is switched off and the port closed.";

std::string task_help(const std::string& first) { return first + "\n\n" + kTaskOptions; }

const bool registered = [] {
    register_command({"read", "read [OPTIONS] OUT.hex",
                      task_help("Reads the whole PIC (program, data EEPROM, ID and configuration words)\n"
                                "and saves it as Intel HEX."),
                      [](Context& c) { return run_task(c, "read", PicTask::Read); }});
    register_command({"program", "program [OPTIONS] IN.hex",
                      task_help("Programs the PIC with the HEX file. Exit status 1 when a word could not\n"
                                "be written or the verify found a difference."),
                      [](Context& c) { return run_task(c, "program", PicTask::Program); }});
    register_command({"verify", "verify [OPTIONS] IN.hex",
                      task_help("Compares the PIC with the HEX file. Exit status 1 on a difference."),
                      [](Context& c) { return run_task(c, "verify", PicTask::Verify); }});
    register_command({"erase", "erase [OPTIONS]", task_help("Bulk-erases the PIC."),
                      [](Context& c) { return run_task(c, "erase", PicTask::Erase); }});
    register_command({"clearcp", "clearcp [OPTIONS]",
                      task_help("Removes code protection (erases program and data memory)."),
                      [](Context& c) { return run_task(c, "clearcp", PicTask::ClearCP); }});
    register_command({"ports", "ports", "Lists the programmer ports; SIM is the built-in simulator.", run_ports});
    return true;
}();

} // namespace
} // namespace korvane::cli
