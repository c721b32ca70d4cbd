#pragma once
// The two clocks the bench can run on. Both count in nanoseconds so the timer model and the
// chips' timing checks keep sub-microsecond resolution; timestamp() is that same count.
#include <cstdint>

#include "hardware/clock.h"

namespace korvane::sim {

class SimClock : public IClock {
public:
    std::uint64_t now_ns() override = 0;
    // Lets time pass as a bus access or a wait would (busy on the real clock).
    virtual void advance_ns(std::uint64_t ns) = 0;
    virtual bool is_virtual() const = 0;

    std::uint64_t now_us() override { return now_ns() / 1000; }
    std::uint64_t timestamp() override { return now_ns(); }
};

// Time moves only when the host waits, sleeps or touches a port: a whole device program costs
// no real time at all.
class VirtualClock final : public SimClock {
public:
    std::uint64_t now_ns() override { return now_; }
    void advance_ns(std::uint64_t ns) override { now_ += ns; }
    bool is_virtual() const override { return true; }
    void busy_wait_us(std::uint32_t n) override { now_ += std::uint64_t(n) * 1000; }
    void sleep_ms(std::uint32_t n) override { now_ += std::uint64_t(n) * 1000000; }
private:
    std::uint64_t now_ = 0;
};

// The machine's monotonic clock, so a user trying the program sees true durations.
class RealClock final : public SimClock {
public:
    std::uint64_t now_ns() override;
    void advance_ns(std::uint64_t ns) override;
    bool is_virtual() const override { return false; }
    void busy_wait_us(std::uint32_t n) override { advance_ns(std::uint64_t(n) * 1000); }
    void sleep_ms(std::uint32_t n) override;
};

} // namespace korvane::sim
