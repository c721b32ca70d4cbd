#include "sim/sim_clock.h"

#include <chrono>
#include <thread>

#include "hardware/system_seams.h"

namespace korvane::sim {

std::uint64_t RealClock::now_ns() {
    return std::uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count());
}

void RealClock::advance_ns(std::uint64_t ns) {
    const std::uint64_t end = now_ns() + ns;
    while (now_ns() < end) {
    }
}

void RealClock::sleep_ms(std::uint32_t n) {
    if (n == 0) return;
    const std::uint64_t end = now_ns() + std::uint64_t(n) * 1000000;
    system_clock().sleep_ms(n);   // the machine's own sleep, as a program on real hardware gets it
    while (now_ns() < end) std::this_thread::sleep_for(std::chrono::microseconds(50));
}

} // namespace korvane::sim
