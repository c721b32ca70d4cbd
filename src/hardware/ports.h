#pragma once
// Port names and what they lead to. The settings store names of at most 4 characters ("COM1".."COM9",
// "SIM"); this maps them to a device and to the three seams that drive it. "SIM" and
// KORVANE_COMn=SIM lead to the simulated bench, KORVANE_COMn=/dev/... to any device.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "hardware/clock.h"
#include "hardware/port_io.h"
#include "hardware/serial_port.h"

namespace korvane {

enum class TargetKind { None, Pic, EEProm };

struct Endpoint {                  // what a port name resolves to
    ISerialSystem* serial = nullptr;   // serial calls for this port
    IPortIO* ports = nullptr;          // port I/O (the sim's UART+PIT model for SIM, always ready)
    IClock* clock = nullptr;           // the clock in use
    bool simulated = false;
    std::string device;                // what to pass to serial->open(): a device path, "SIM", ...
};

// One port as the lists show it: "COM5  ttyUSB0"; only `name` is stored.
struct PortEntry {
    std::string name;      // "COM5", "SIM"
    std::string device;    // "/dev/ttyUSB0", "SIM"
    std::string shown;     // the device as the list shows it ("ttyUSB0"); empty: from `device`
    std::string label() const;
};

// The start-up port list: up to 10 names and a count. The count includes "COM" ports that are not
// listed (numbers 10 and above, names without a number).
struct PortList {
    std::vector<std::string> names;    // at most 10
    std::vector<std::string> labels;   // the same entries with their device beside the name
    int count = 0;
};

// The list rule over names as the system reports them ("COM1", "COM3:", "COM12"): numbers 1..9
// are listed in ascending order, every name beginning with "COM" is counted.
PortList build_port_list(const std::vector<std::string>& system_names);

// Where the scanner looks; tests point these at a fake tree.
struct PortRoots {
    std::string dev = "/dev";
    std::string sys_tty = "/sys/class/tty";
};

class PortResolver {
public:
    using EnvLookup = std::function<std::string(const std::string&)>;   // "" when unset
    // Reports whether a ttyS device has a real UART behind it when sysfs does not say
    // (TIOCGSERIAL). Tests inject one that never opens anything.
    using UartProbe = std::function<bool(const std::string& device_path)>;

    PortResolver();   // the real machine: /dev, /sys/class/tty, getenv, the TIOCGSERIAL probe
    PortResolver(PortRoots roots, EnvLookup env, UartProbe probe);

    // COM1..COM4 (ttyS0..3 with a UART), COM5..COM9 (ttyUSB*, then ttyACM*), the KORVANE_COMn
    // overrides, then "SIM" last.
    std::vector<PortEntry> enumerate() const;
    // The list the dialogs offer (the rule above, "SIM" last).
    PortList port_list() const;
    // The device a name stands for: a path, "SIM", or "" when the name leads nowhere.
    std::string device_for(const std::string& port_name) const;

    Endpoint resolve(const std::string& port_name);
    // The smart-card reader's port: a real port resolves as resolve() does; "SIM" (or KORVANE_COMn=SIM)
    // leads to the simulated card reader, which can be open together with the simulated programmer.
    Endpoint resolve_reader(const std::string& port_name);
    // The chip in the simulated socket follows the selected device (no effect on real ports).
    void select_target(TargetKind kind, int index);
    // The card in the simulated reader: PIC catalogue index (0 16F84, 1 16F628, 3 16F877, 10 18F452)
    // and EEPROM index (0..10 = 24C01..24C512). No effect on real ports.
    void select_card(int pic_index, int eeprom_index);

    // Tests and benchmarks: a name that leads to the given seams instead.
    void register_endpoint(const std::string& port_name, Endpoint ep);
    void clear_registered_endpoints();

private:
    std::string env_override(const std::string& port_name) const;
    PortRoots roots_;
    EnvLookup env_;
    UartProbe probe_;
    std::map<std::string, Endpoint> registered_;
};

// The process's resolver (real machine).
PortResolver& default_port_resolver();

// Legacy UART register base of a port name: the number after the first "M" picks COM1 0x3F8,
// COM2 0x2F8, COM3 0x3E8, COM4 0x2E8; anything else 0x3F8.
std::uint16_t uart_base_for(const std::string& port_name);

} // namespace korvane
