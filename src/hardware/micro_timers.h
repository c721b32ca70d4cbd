#pragma once
// Microsecond timing (module MicroTimers): the CPU clock figure, elapsed microseconds from the
// time-stamp counter, and the busy waits the programming waveforms are built from.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "hardware/clock.h"
#include "hardware/port_io.h"

namespace korvane {

// "cpu MHz" of the first processor in /proc/cpuinfo text; nullopt when there is none.
std::optional<double> parse_cpu_mhz(const std::string& cpuinfo_text);
// What the system reports: /proc/cpuinfo on Linux, the "~MHz" registry value on Windows.
std::optional<double> reported_cpu_mhz();

// The CPU clock figure in MHz: what the system reports, else measured over 200 ms; computed
// once and kept.
class CpuFigure {
public:
    using Source = std::function<std::optional<double>()>;
    explicit CpuFigure(Source reported = reported_cpu_mhz);
    // Computes the figure on the first call (measuring on `clock` when nothing is reported).
    unsigned mhz(IClock& clock);
    double us_per_tick() const { return us_per_tick_; }
    bool calibrated() const { return figure_ != 0; }
    int computations() const { return computations_; }   // 0 or 1
    // The rounding of the figure: + 0.5, truncated (1994.6 -> 1995); at least 1.
    static unsigned round_figure(double mhz);
private:
    Source reported_;
    unsigned figure_ = 0;
    double us_per_tick_ = 0.0;
    int computations_ = 0;
};

CpuFigure& process_cpu_figure();

class MicroTimers {
public:
    MicroTimers(IClock& clock, IPortIO& ports, CpuFigure& figure = process_cpu_figure());

    std::uint16_t cpu_mhz();
    std::uint64_t timestamp() { return clock_->timestamp(); }
    // Microseconds since a time-stamp count taken earlier, rounded.
    std::uint64_t elapsed_us(std::uint64_t start);
    // Empty-loop iterations lasting one microsecond. Kept for the record: the waits do not use
    // the loop, which waits too short on fast processors.
    void calibrate_loop_delay();
    std::uint64_t loops_per_us() const { return loops_per_us_; }
    // Busy wait of the low byte of n microseconds: the PC timer channel 2 when port I/O is ready,
    // else the clock's busy wait (never shorter than asked, never yields).
    void wait_us(unsigned n);
    void sleep_ms(unsigned n) { clock_->sleep_ms(n); }
    bool pit_method() const { return ports_->driver_ready(); }

    IClock& clock() { return *clock_; }
    IPortIO& ports() { return *ports_; }

private:
    void pit_wait(std::uint8_t n);
    IClock* clock_;
    IPortIO* ports_;
    CpuFigure* figure_;
    std::uint64_t loops_per_us_ = 0;
};

// PC timer ports.
inline constexpr std::uint16_t kPitChannel2 = 0x42;
inline constexpr std::uint16_t kPitCommand = 0x43;
inline constexpr std::uint16_t kSystemControlB = 0x61;

} // namespace korvane
