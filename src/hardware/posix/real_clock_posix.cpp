#include <cerrno>
#include <ctime>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

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

bool reduce_timer_slack() {
#if defined(__linux__)
    return prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
#else
    return false;
#endif
}

class PosixClock : public IClock {
public:
    std::uint64_t now_us() override { return monotonic_ns() / 1000; }
    std::uint64_t now_ns() override { return monotonic_ns(); }

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

    // Sleeps to an absolute deadline, so an interrupted sleep does not start over. The kernel's
    // default timer slack (50 us) would add itself to every programming wait; one nanosecond is
    // asked for once, and a refusal is silent.
    void sleep_ms(std::uint32_t n) override {
        static const bool slack_set = reduce_timer_slack();
        (void)slack_set;
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += time_t(n / 1000);
        deadline.tv_nsec += long(n % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_nsec -= 1000000000L;
            ++deadline.tv_sec;
        }
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
        }
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
