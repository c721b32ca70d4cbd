#pragma once
// The PC timer's channel 2 (ports 0x42/0x43) and system control port B (0x61), counting at
// 1.193182 MHz on the bench's clock. Mode 0 with its terminal count is exact (that is what a
// microsecond wait polls); the periodic modes 2 and 3 are modelled as plain reloading counters.
#include <cstdint>

#include "sim/sim_clock.h"

namespace korvane::sim {

class PitTimer {
public:
    static constexpr std::uint64_t kInputHz = 1193182;

    explicit PitTimer(SimClock& clock) : clock_(&clock) {}
    void set_clock(SimClock& clock) { clock_ = &clock; }

    std::uint8_t read_channel2();
    void write_channel2(std::uint8_t value);
    void write_command(std::uint8_t value);
    std::uint8_t read_port_b();
    void write_port_b(std::uint8_t value);

    // Counter value and OUT2 as they are now.
    std::uint16_t count();
    bool out2();

private:
    std::uint64_t ticks_since_load();
    void set_gate(bool on);

    SimClock* clock_;
    std::uint8_t access_ = 3;          // 1 low byte, 2 high byte, 3 low then high
    std::uint8_t mode_ = 3;
    std::uint32_t initial_ = 0x10000;  // a written 0 counts 65536
    bool loaded_ = false;
    bool write_high_next_ = false;
    std::uint8_t pending_low_ = 0;
    // Counting time: gated-on time accumulated before `since_ns_`, plus the current stretch.
    std::uint64_t active_ns_ = 0;
    std::uint64_t since_ns_ = 0;
    bool gate_ = false;
    std::uint8_t port_b_ = 0;
    // Latch
    bool latched_ = false;
    std::uint16_t latch_value_ = 0;
    bool read_high_next_ = false;
};

} // namespace korvane::sim
