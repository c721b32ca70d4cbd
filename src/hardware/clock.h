#pragma once
// Seam 3, time: microsecond busy waits, millisecond sleeps, counters. The simulator's virtual
// clock stands in for tests (it advances instantly).
#include <cstdint>

namespace korvane {

class IClock {
public:
    virtual ~IClock() = default;
    // Monotonic microseconds since an arbitrary origin.
    virtual std::uint64_t now_us() = 0;
    // The same clock in nanoseconds, where it has them (line traces).
    virtual std::uint64_t now_ns() { return now_us() * 1000; }
    // Busy wait: never returns before n microseconds have passed, never yields the processor.
    virtual void busy_wait_us(std::uint32_t n) = 0;
    virtual void sleep_ms(std::uint32_t n) = 0;
    // Time-stamp counter (rdtsc on x86; a monotonic nanosecond count elsewhere).
    virtual std::uint64_t timestamp() = 0;
};

} // namespace korvane
