#include "cli/task_support.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

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
