#include "sim/sim_faults.h"

#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <string_view>

namespace korvane::sim {

namespace {

std::string trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return std::string(s);
}

std::optional<std::uint32_t> parse_number(std::string_view s) {
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s.size() > 10) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return std::nullopt;
        v = v * std::uint64_t(base) + std::uint64_t(d);
        if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    return std::uint32_t(v);
}

// One entry per fault name; later faults (EEPROM no-ack, card silence...) add a line here.
// A handler returns false when its value does not fit.
struct FaultKind {
    const char* name;
    bool takes_value;
    std::function<bool(SimFaults&, std::string_view)> apply;
};

const std::vector<FaultKind>& fault_kinds() {
    static const std::vector<FaultKind> kinds = {
        {"empty", false, [](SimFaults& f, std::string_view) { f.empty = true; return true; }},
        {"protect", false, [](SimFaults& f, std::string_view) { f.protect = true; return true; }},
        {"id", true,
         [](SimFaults& f, std::string_view v) {
             auto n = parse_number(v);
             if (!n || *n > 0xFFFF) return false;
             f.device_id = std::uint16_t(*n);
             return true;
         }},
        {"stuck", true,
         [](SimFaults& f, std::string_view v) {
             auto colon = v.find(':');
             if (colon == std::string_view::npos) return false;
             auto addr = parse_number(v.substr(0, colon));
             auto mask = parse_number(v.substr(colon + 1));
             if (!addr || !mask || *mask > 0xFFFF) return false;
             f.stuck.push_back({*addr, std::uint16_t(*mask)});
             return true;
         }},
        {"silent", false, [](SimFaults& f, std::string_view) { f.silent = true; return true; }},
        {"badatr", false, [](SimFaults& f, std::string_view) { f.badatr = true; return true; }},
        {"cardchk", false, [](SimFaults& f, std::string_view) { f.cardchk = true; return true; }},
        {"cardclock", true,
         [](SimFaults& f, std::string_view v) {
             auto n = parse_number(v);
             if (!n || *n < 1000000 || *n > 20000000) return false;
             f.card_clock_hz = *n;
             return true;
         }},
        {"tprog", true,
         [](SimFaults& f, std::string_view v) {
             auto n = parse_number(v);
             if (!n || *n > 60000) return false;
             f.tprog_ms = *n;
             return true;
         }},
        {"noack", false, [](SimFaults& f, std::string_view) { f.noack = true; return true; }},
        {"wp", false, [](SimFaults& f, std::string_view) { f.wp = true; return true; }},
        {"twr", true,
         [](SimFaults& f, std::string_view v) {
             auto n = parse_number(v);
             if (!n || *n > 60000) return false;
             f.twr_ms = *n;
             return true;
         }},
    };
    return kinds;
}

} // namespace

std::uint16_t SimFaults::stuck_mask(std::uint32_t address) const {
    std::uint16_t m = 0;
    for (const auto& s : stuck)
        if (s.address == address) m |= s.mask;
    return m;
}

FaultParse parse_faults(const std::string& text) {
    FaultParse out;
    std::string_view rest = text;
    while (!rest.empty()) {
        auto comma = rest.find(',');
        std::string item = trim(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        if (item.empty()) continue;
        auto eq = item.find('=');
        std::string name = trim(std::string_view(item).substr(0, eq));
        std::string value = eq == std::string::npos ? "" : trim(std::string_view(item).substr(eq + 1));
        bool understood = false;
        for (const auto& k : fault_kinds()) {
            if (name != k.name) continue;
            if (k.takes_value == (eq != std::string::npos)) understood = k.apply(out.faults, value);
            break;
        }
        if (!understood) out.warnings.push_back("KORVANE_SIM: ignoring \"" + item + "\"");
    }
    return out;
}

SimFaults parse_faults_warn_once(const std::string& text) {
    static std::mutex mutex;
    static std::set<std::string> warned;
    FaultParse p = parse_faults(text);
    std::lock_guard lock(mutex);
    for (const auto& w : p.warnings)
        if (warned.insert(w).second) std::fprintf(stderr, "%s\n", w.c_str());
    return std::move(p.faults);
}

} // namespace korvane::sim
