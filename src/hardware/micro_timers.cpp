#include "hardware/micro_timers.h"

#include <cmath>
#include <sstream>

namespace korvane {

std::optional<double> parse_cpu_mhz(const std::string& cpuinfo_text) {
    std::istringstream in(cpuinfo_text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("cpu MHz", 0) != 0) continue;
        const auto colon = line.find(':');
        if (colon == std::string::npos) return std::nullopt;
        try {
            const double v = std::stod(line.substr(colon + 1));
            if (!(v > 0.0) || !std::isfinite(v)) return std::nullopt;
            return v;
        } catch (...) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

CpuFigure::CpuFigure(Source reported) : reported_(std::move(reported)) {}

unsigned CpuFigure::round_figure(double mhz) {
    if (!(mhz > 0.0)) return 1;
    const double r = std::floor(mhz + 0.5);
    if (r < 1.0) return 1;
    if (r > 65535.0) return 65535;
    return unsigned(r);
}

unsigned CpuFigure::mhz(IClock& clock) {
    if (figure_ != 0) return figure_;
    ++computations_;
    std::optional<double> reported = reported_ ? reported_() : std::nullopt;
    if (reported) {
        figure_ = round_figure(*reported);
    } else {
        // Measure the time-stamp rate against the monotonic clock over 200 ms.
        const std::uint64_t t0 = clock.now_us();
        const std::uint64_t ts0 = clock.timestamp();
        clock.sleep_ms(200);
        const std::uint64_t ts1 = clock.timestamp();
        const std::uint64_t t1 = clock.now_us();
        const std::uint64_t elapsed = t1 > t0 ? t1 - t0 : 0;
        figure_ = elapsed ? round_figure(double(ts1 - ts0) / double(elapsed)) : 1;
    }
    us_per_tick_ = 1.0 / double(figure_);
    return figure_;
}

CpuFigure& process_cpu_figure() {
    static CpuFigure figure;
    return figure;
}

MicroTimers::MicroTimers(IClock& clock, IPortIO& ports, CpuFigure& figure)
    : clock_(&clock), ports_(&ports), figure_(&figure) {}

std::uint16_t MicroTimers::cpu_mhz() { return std::uint16_t(figure_->mhz(*clock_)); }

std::uint64_t MicroTimers::elapsed_us(std::uint64_t start) {
    figure_->mhz(*clock_);
    const std::uint64_t now = clock_->timestamp();
    const std::uint64_t ticks = now > start ? now - start : 0;
    return std::uint64_t(std::llround(double(ticks) * figure_->us_per_tick()));
}

namespace {
void empty_loop(std::uint64_t n) {
    volatile std::uint64_t i = 0;
    while (i < n) i = i + 1;
}
// A clock whose counter does not move (a virtual one) would keep the search going for ever.
constexpr std::uint64_t kMaxLoopsPerUs = 5000;
} // namespace

void MicroTimers::calibrate_loop_delay() {
    std::uint64_t n = 0;
    std::uint64_t elapsed = 0;
    do {
        ++n;
        const std::uint64_t start = clock_->timestamp();
        empty_loop(n);
        elapsed = elapsed_us(start);
    } while (elapsed < 1 && n < kMaxLoopsPerUs);
    loops_per_us_ = n;
}

void MicroTimers::wait_us(unsigned n) {
    const auto count = std::uint8_t(n & 0xFF);
    if (count == 0) return;
    if (ports_->driver_ready())
        pit_wait(count);
    else
        clock_->busy_wait_us(count);
}

// Channel 2 of the PC timer counts down at 1.193182 MHz from n; bit 7 of the low byte rises when it
// passes zero and wraps.
void MicroTimers::pit_wait(std::uint8_t n) {
    IPortIO& io = *ports_;
    io.write_byte(kSystemControlB, std::uint8_t((io.read_byte(kSystemControlB) & 0xFD) | 0x01));
    io.write_byte(kPitCommand, 0x90);    // channel 2, low byte only, mode 0, binary
    io.write_byte(kPitChannel2, n);
    for (int i = 0; i < 16; ++i) {
        io.write_byte(kPitCommand, 0x80);   // latch channel 2
        if (io.read_byte(kPitChannel2) & 0x80) break;
    }
    io.write_byte(kPitCommand, 0xB6);    // back to low/high byte access, square wave
    io.write_byte(kSystemControlB, std::uint8_t(io.read_byte(kSystemControlB) & 0xFC));
}

} // namespace korvane
