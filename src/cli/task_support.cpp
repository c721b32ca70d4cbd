#include "cli/task_support.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>

#include <unistd.h>

#include "hardware/system_seams.h"

namespace korvane::cli {

namespace {
std::atomic<bool> g_interrupted{false};
extern "C" void on_interrupt(int) { g_interrupted = true; }
} // namespace

bool take_interrupt() { return g_interrupted.exchange(false); }

InterruptScope::InterruptScope() {
    g_interrupted = false;
    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &old_int_);
    sigaction(SIGTERM, &sa, &old_term_);
}

InterruptScope::~InterruptScope() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
}

void TerminalProgress::set_range(int min, int max) {
    min_ = min;
    max_ = max;
    shown_ = -1;
}

void TerminalProgress::step_it() {
    pos_ += step_;
    draw();
}

void TerminalProgress::set_position(int pos) {
    pos_ = pos;
    if (pos_ <= min_) clear();
    else draw();
}

void TerminalProgress::clear() {
    if (visible_) std::fputs("\r\033[K", stderr);
    visible_ = false;
    shown_ = -1;
}

void TerminalProgress::draw() {
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

void attach_progress(TaskHost& host, TerminalProgress& bar, IProgressBar*& device_bar) {
    if (!::isatty(STDERR_FILENO)) return;
    device_bar = &bar;
    host.progress = &bar;
}

int finish_read(bool saved, const std::string& title, const std::string& file) {
    if (!saved) return kExitFailure;
    std::cerr << title << ": read into " << file << "\n";
    return kExitOk;
}

std::string file_count_error(const std::string& task, std::size_t count, bool needs_file,
                             const std::string& file_kind) {
    if (count == (needs_file ? 1u : 0u)) return "";
    return needs_file ? task + " needs one " + file_kind : task + " takes no file";
}

bool parse_common_arg(const std::vector<std::string>& args, std::size_t& i, SettingsRecord& settings,
                      std::vector<std::string>& files, const std::string& refusal, std::string& error) {
    const std::string& a = args[i];
    if (a == "--io") {
        if (i + 1 >= args.size()) { error = "--io needs direct or api"; return false; }
        const std::string& v = args[++i];
        if (v == "direct") settings.current_programmer().direct_io = 1;
        else if (v == "api") settings.current_programmer().direct_io = 0;
        else { error = "--io takes direct or api, not " + v; return false; }
    } else if (!a.empty() && a[0] == '-' && a != "-") {
        error = refusal;
        return false;
    } else {
        files.push_back(a);
    }
    return true;
}

bool parse_number_option(const std::vector<std::string>& args, std::size_t& i, const std::string& unit,
                         unsigned max, unsigned& value, std::string& error) {
    const std::string& a = args[i];
    if (i + 1 >= args.size()) { error = a + " needs " + unit; return false; }
    const std::string& v = args[++i];
    if (v.empty() || v.size() > 3 || v.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(v) > max) {
        error = a + " takes " + unit + ", 0 to " + std::to_string(max) + ": " + v;
        return false;
    }
    value = unsigned(std::stoul(v));
    return true;
}

void grant_direct_io(SettingsRecord& settings, IHost& host, PortResolver& resolver) {
    ProgrammerParams& prog = settings.current_programmer();
    if (!prog.direct_io || resolver.resolve(prog.port_name.str()).simulated) return;
    IPortIO& ports = system_port_io();
    ports.enable_direct(true);
    if (ports.driver_ready()) return;
    error_box(host, "", {"Could not start Direct I/O Driver!", ports.last_error(), "Switching to Windows API"});
    prog.direct_io = 0;
}

} // namespace korvane::cli
