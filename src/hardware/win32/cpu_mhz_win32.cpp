#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "hardware/micro_timers.h"

namespace korvane {

std::optional<double> reported_cpu_mhz() {
    DWORD mhz = 0;
    DWORD size = sizeof mhz;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", "~MHz",
                     RRF_RT_REG_DWORD, nullptr, &mhz, &size) != ERROR_SUCCESS || mhz == 0)
        return std::nullopt;
    return double(mhz);
}

} // namespace korvane
