#include <cerrno>
#include <ctime>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

#include "hardware/system_seams.h"

namespace korvane {

namespace {

std::uint64_t monotonic_ns() {
    timespec ts{};
#if defined(CLOCK_MONOTONIC_RAW)
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);   // not slewed by time adjustment
#else
    clock_gettime(CLOCK_MONOTONIC, &ts);
#endif
    return std::uint64_t(ts.tv_sec) * 1000000000ull + std::uint64_t(ts.tv_nsec);
}

class PosixClock : public IClock {
public:
    std::uint64_t now_us() override { return monotonic_ns() / 1000; }

    // Spins on the clock itself: never returns early, never gives the processor away.
    void busy_wait_us(std::uint32_t n) override {
        if (n == 0) return;
        const std::uint64_t end = monotonic_ns() + std::uint64_t(n) * 1000;
        while (monotonic_ns() < end) {
#if defined(__x86_64__) || defined(__i386__)
            _mm_pause();
#endif
        }
    }

    void sleep_ms(std::uint32_t n) override {
        timespec req{time_t(n / 1000), long(n % 1000) * 1000000L};
        timespec rem{};
        while (nanosleep(&req, &rem) != 0 && errno == EINTR) req = rem;
    }

    std::uint64_t timestamp() override {
#if defined(__x86_64__) || defined(__i386__)
        return __rdtsc();
#else
        return monotonic_ns();
#endif
    }
};

} // namespace

IClock& system_clock() {
    static PosixClock clock;
    return clock;
}

} // namespace korvane
