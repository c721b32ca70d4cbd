#include <fstream>
#include <sstream>

#include "hardware/micro_timers.h"

namespace korvane {

std::optional<double> reported_cpu_mhz() {
    std::ifstream in("/proc/cpuinfo");
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return parse_cpu_mhz(text.str());
}

} // namespace korvane
