// The KORVANE_SIM fault parser: any text parses, each warning names one item of the text, and
// the faults parsed are within the ranges the simulated chips accept.
#include <string>

#include "fuzz_input.h"
#include "sim/sim_faults.h"

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto parsed = sim::parse_faults(text);
    std::size_t items = 1;
    for (char c : text) items += c == ',';
    fuzz::require(parsed.warnings.size() + parsed.faults.stuck.size() <= items, "at most one result per item");
    for (const auto& w : parsed.warnings) {
        const std::string prefix = "KORVANE_SIM: ignoring \"";
        fuzz::require(w.compare(0, prefix.size(), prefix) == 0 && w.back() == '"', "warning format");
        const std::string item = w.substr(prefix.size(), w.size() - prefix.size() - 1);
        fuzz::require(!item.empty() && text.find(item) != std::string::npos, "warning quotes its item");
    }
    if (parsed.faults.tprog_ms) fuzz::require(*parsed.faults.tprog_ms <= 60000, "tprog range");
    for (const auto& s : parsed.faults.stuck)
        fuzz::require((parsed.faults.stuck_mask(s.address) & s.mask) == s.mask, "stuck bits are reported");
    return 0;
}
