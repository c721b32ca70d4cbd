#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <intrin.h>

#include "hardware/system_seams.h"

namespace korvane {

namespace {

class Win32Clock : public IClock {
public:
    Win32Clock() { QueryPerformanceFrequency(&freq_); }

    std::uint64_t now_us() override {
        LARGE_INTEGER c;
        QueryPerformanceCounter(&c);
        return std::uint64_t(c.QuadPart / freq_.QuadPart) * 1000000ull +
               std::uint64_t(c.QuadPart % freq_.QuadPart) * 1000000ull / std::uint64_t(freq_.QuadPart);
    }

    // Spins on the performance counter; rounds the end up so it never returns early.
    void busy_wait_us(std::uint32_t n) override {
        if (n == 0) return;
        LARGE_INTEGER start, now;
        QueryPerformanceCounter(&start);
        const long long ticks = (long long(n) * freq_.QuadPart + 999999) / 1000000;
        do {
            YieldProcessor();
            QueryPerformanceCounter(&now);
        } while (now.QuadPart - start.QuadPart < ticks);
    }

    void sleep_ms(std::uint32_t n) override { Sleep(n); }

    std::uint64_t timestamp() override {
#if defined(_M_X64) || defined(_M_IX86) || defined(__x86_64__) || defined(__i386__)
        return __rdtsc();
#else
        LARGE_INTEGER c;
        QueryPerformanceCounter(&c);
        return std::uint64_t(c.QuadPart);
#endif
    }

private:
    LARGE_INTEGER freq_{};
};

} // namespace

IClock& system_clock() {
    static Win32Clock clock;
    return clock;
}

} // namespace korvane
