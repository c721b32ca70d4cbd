#pragma once
// The I/O configuration dialog's rules (TConfiguration), free of widgets: a working copy of the
// programmer type and the three programmer records, a backup for Cancel, the port list with its
// availability, and the edits. The dialog shows what this holds.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "hardware/ports.h"

namespace korvane {

// Whether a port can be opened now (an exclusive open, closed again at once).
using PortAvailability = std::function<bool(const std::string& port_name)>;

struct PortChoice {
    std::string name;    // stored, at most 4 characters
    std::string label;   // the name with its device beside it
    bool available = true;
};

// Track-bar ranges and page sizes of the PIC and EEProm pages.
struct SliderRange {
    int max;
    int page;
};
inline constexpr SliderRange kIoDelayRange{30, 5}, kTset0Range{200, 20}, kThld0Range{200, 20},
    kCmdDelayRange{20, 5}, kBitTimeRange{20, 5}, kEEBitTimeRange{30, 5};

class IoConfigModel {
public:
    IoConfigModel(SettingsRecord& settings, PortList ports, PortAvailability available);

    // Show: working copy and backup from the settings, the port list filled, the current type shown.
    void show();

    int type() const { return type_; }
    ProgrammerParams& record() { return working_[std::size_t(type_)]; }
    const ProgrammerParams& record() const { return working_[std::size_t(type_)]; }
    const std::vector<PortChoice>& ports() const { return ports_; }
    int selected_port() const { return selected_; }

    // Programmer_Type change: the type's port and parameters as stored in the settings (edits
    // made to it since the last commit are dropped).
    void choose_type(int type);
    // COMPort change: an unavailable port springs back to the previous selection.
    void choose_port(int index);
    // IODirect / WinAPI.
    void set_direct_io(bool on) { record().direct_io = on ? 1 : 0; }
    // MaxRetries: only a non-empty text of decimal digits is taken.
    void set_max_retries_text(const std::string& text);

    // Working copy (type and records) into the settings: OK, and entering the hardware page.
    void commit();
    // The settings as the dialog found them: Cancel.
    void restore_backup();

private:
    void fill_ports(bool fill);
    void show_parameters();
    void store_port_name();

    SettingsRecord& settings_;
    PortList start_ports_;
    PortAvailability available_;
    int type_ = 0;
    std::array<ProgrammerParams, 3> working_{};
    std::array<ProgrammerParams, 3> backup_records_{};
    std::uint8_t backup_type_ = 0;
    std::vector<PortChoice> ports_;
    int selected_ = 0;
};

} // namespace korvane
