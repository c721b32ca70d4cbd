#include "hardware/ports.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "hardware/sim_endpoint.h"
#include "hardware/system_seams.h"

namespace korvane {

namespace fs = std::filesystem;

std::string PortEntry::label() const {
    std::string text = shown.empty() ? device : shown;
    if (text.rfind("/dev/", 0) == 0) text = text.substr(5);
    if (text.empty() || text == name) return name;
    return name + "  " + text;
}

PortList build_port_list(const std::vector<std::string>& system_names) {
    PortList list;
    bool marked[11] = {};
    for (const std::string& name : system_names) {
        if (name.size() < 3 || name.compare(0, 3, "COM") != 0) continue;
        ++list.count;
        std::string rest = name.substr(3);
        const auto first = rest.find_first_not_of(' ');
        rest = first == std::string::npos ? std::string() : rest.substr(first);
        unsigned number = 0;
        for (char c : rest) {
            if (!std::isdigit(static_cast<unsigned char>(c))) break;
            number = number * 10 + unsigned(c - '0');
            if (number > 1000) break;
        }
        if (number >= 1 && number <= 10) marked[number] = true;
    }
    for (int n = 1; n <= 9; ++n) {
        if (!marked[n]) continue;
        list.names.push_back("COM" + std::to_string(n));
        list.labels.push_back(list.names.back());
    }
    return list;
}

std::uint16_t uart_base_for(const std::string& port_name) {
    const auto m = port_name.find('M');
    if (m == std::string::npos) return 0x3F8;
    const std::string number = port_name.substr(m + 1);
    if (number == "1") return 0x3F8;
    if (number == "2") return 0x2F8;
    if (number == "3") return 0x3E8;
    if (number == "4") return 0x2E8;
    return 0x3F8;
}

namespace {

std::string getenv_string(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v ? std::string(v) : std::string();
}

// "COM5" -> 5; 0 for anything that is not COM1..COM9.
int com_number(const std::string& name) {
    if (name.size() != 4 || name.compare(0, 3, "COM") != 0) return 0;
    const char c = name[3];
    return (c >= '1' && c <= '9') ? c - '0' : 0;
}

// ttyUSB12 -> 12 for the sort, so ttyUSB2 comes before ttyUSB10.
bool numbered_device(const std::string& name, const std::string& prefix, unsigned long& number) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        }))
        return false;
    number = std::stoul(digits);
    return true;
}

std::vector<std::string> numbered_devices(const fs::path& dir, const std::string& prefix) {
    std::vector<std::pair<unsigned long, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        unsigned long number = 0;
        if (numbered_device(name, prefix, number)) found.emplace_back(number, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& f : found) names.push_back(f.second);
    return names;
}

// The kernel's UART type of ttySn from sysfs: nullopt when sysfs does not tell.
std::optional<bool> sysfs_uart_present(const fs::path& sys_tty, const std::string& tty) {
    std::ifstream in(sys_tty / tty / "type");
    long type = 0;
    if (!(in >> type)) return std::nullopt;
    return type != 0;
}

} // namespace

PortResolver::PortResolver()
    : PortResolver(PortRoots{}, getenv_string, [](const std::string& path) { return probe_uart(path); }) {}

PortResolver::PortResolver(PortRoots roots, EnvLookup env, UartProbe probe)
    : roots_(std::move(roots)), env_(std::move(env)), probe_(std::move(probe)) {}

std::string PortResolver::env_override(const std::string& port_name) const {
    if (com_number(port_name) == 0 || !env_) return {};
    const std::string v = env_("KORVANE_" + port_name);
    if (v == "SIM" || (!v.empty() && v[0] == '/')) return v;
    return {};
}

std::vector<PortEntry> PortResolver::enumerate() const {
    std::vector<PortEntry> entries;
    const std::vector<std::string> system_names = platform_com_names();
    if (!system_names.empty()) {
        for (const std::string& n : build_port_list(system_names).names)
            entries.push_back({n, platform_device_for(n), n});
    } else {
        const fs::path dev(roots_.dev), sys(roots_.sys_tty);
        std::error_code ec;
        for (int n = 0; n < 4; ++n) {
            const std::string tty = "ttyS" + std::to_string(n);
            const fs::path path = dev / tty;
            if (!fs::exists(path, ec)) continue;
            std::optional<bool> real = sysfs_uart_present(sys, tty);
            if (!real) real = probe_ && probe_(path.string());
            if (*real) entries.push_back({"COM" + std::to_string(n + 1), path.string(), tty});
        }
        int next = 5;
        for (const char* prefix : {"ttyUSB", "ttyACM"}) {
            for (const std::string& tty : numbered_devices(dev, prefix)) {
                if (next > 9) break;
                entries.push_back({"COM" + std::to_string(next++), (dev / tty).string(), tty});
            }
        }
    }
    for (int n = 1; n <= 9; ++n) {
        const std::string name = "COM" + std::to_string(n);
        const std::string over = env_override(name);
        if (over.empty()) continue;
        auto it = std::find_if(entries.begin(), entries.end(), [&](const PortEntry& e) { return e.name == name; });
        if (it != entries.end())
            *it = PortEntry{name, over, {}};
        else
            entries.push_back({name, over, {}});
    }
    std::sort(entries.begin(), entries.end(),
              [](const PortEntry& a, const PortEntry& b) { return com_number(a.name) < com_number(b.name); });
    entries.push_back({"SIM", "SIM", {}});
    return entries;
}

PortList PortResolver::port_list() const {
    const std::vector<PortEntry> entries = enumerate();
    std::vector<std::string> system_names = platform_com_names();
    const bool scanned = system_names.empty();
    if (scanned)
        for (const PortEntry& e : entries)
            if (e.name != "SIM") system_names.push_back(e.name);
    const PortList base = build_port_list(system_names);
    PortList list;
    list.count = base.count + 1;   // "SIM"
    for (const PortEntry& e : entries) {
        const bool reported = std::find(base.names.begin(), base.names.end(), e.name) != base.names.end();
        if (!reported && e.name != "SIM") ++list.count;   // an override of an unreported name
        if (list.names.size() >= 10) continue;
        list.names.push_back(e.name);
        list.labels.push_back(e.label());
    }
    return list;
}

std::string PortResolver::device_for(const std::string& port_name) const {
    if (port_name == "SIM") return "SIM";
    if (std::string over = env_override(port_name); !over.empty()) return over;
    for (const PortEntry& e : enumerate())
        if (e.name == port_name) return e.device;
    return platform_device_for(port_name);
}

Endpoint PortResolver::resolve(const std::string& port_name) {
    if (auto it = registered_.find(port_name); it != registered_.end()) return it->second;
    const std::string device = device_for(port_name);
    if (device == "SIM") return sim_endpoint();
    return Endpoint{&system_serial(), &system_port_io(), &system_clock(), false, device};
}

Endpoint PortResolver::resolve_reader(const std::string& port_name) {
    if (auto it = registered_.find(port_name); it != registered_.end()) return it->second;
    const std::string device = device_for(port_name);
    if (device == "SIM") return sim_reader_endpoint();
    return Endpoint{&system_serial(), &system_port_io(), &system_clock(), false, device};
}

void PortResolver::select_target(TargetKind kind, int index) { sim_select_target(kind, index); }

void PortResolver::select_card(int pic_index, int eeprom_index) { sim_select_card(pic_index, eeprom_index); }

void PortResolver::register_endpoint(const std::string& port_name, Endpoint ep) {
    registered_[port_name] = std::move(ep);
}

void PortResolver::clear_registered_endpoints() { registered_.clear(); }

PortResolver& default_port_resolver() {
    static PortResolver resolver;
    return resolver;
}

} // namespace korvane
