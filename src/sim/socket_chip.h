#pragma once
// What a chip in the programmer's socket sees and does, at pin level. The board calls
// pins_changed() on every change of supply, VPP, clock or the data node; the chip answers
// through data_drive(). 16F, 18F and I2C EEPROM chips all fit this shape.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::sim {

struct Pins {
    bool power = false;   // the port is open: the board feeds the chip from the serial lines
    bool vpp = false;     // TXD in break: VPP on MCLR, or the EEPROM socket's supply
    bool clock = false;   // RTS: PGC / SCL
    bool data = false;    // the data node: the chip's own drive, else DTR's level
    bool operator==(const Pins&) const = default;
};

// Figures tests look at; shared by every chip the bench inserts.
struct SimCounters {
    std::uint64_t commands = 0;            // commands decoded (executed or suppressed)
    std::uint64_t timing_violations = 0;   // commands sent while busy, cycles cut short
    std::uint64_t mode_entries = 0;        // programming-mode entries
    std::uint64_t refused_entries = 0;     // VPP raised with clock or data high
    std::uint64_t cycles_completed = 0;    // write / erase cycles that ran to the end
};

class SocketChip {
public:
    virtual ~SocketChip() = default;
    virtual void pins_changed(const Pins& pins, std::uint64_t now_ns) = 0;
    // The level the chip forces on the data node, or nothing when its output is released.
    virtual std::optional<bool> data_drive() const = 0;
    // Lets internally timed cycles finish that are due by `now_ns`.
    virtual void settle(std::uint64_t now_ns) = 0;
    // Name of the memory image file under the state directory ("pic16f84.mem").
    virtual std::string image_file_name() const = 0;
    virtual std::vector<std::uint8_t> save_image() const = 0;
    // False when the bytes are not an image of this chip (the chip then stays blank).
    virtual bool load_image(const std::vector<std::uint8_t>& bytes) = 0;
};

} // namespace korvane::sim
