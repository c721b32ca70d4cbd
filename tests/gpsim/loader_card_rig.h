#pragma once
// One of our card loaders in gpsim, at the card's clock, with the card reader played by the test
// on the I/O contact (docs/gpsim.md, "The card loaders under gpsim"): I/O is a gpsim node with a
// pull-up module; the reader pulls it low by setting the pull-up's voltage to 0 at its bit edges
// (gpsim halted on a cycle break point), and gpsim's FileRecorder logs every level change of the
// node with its cycle. The EEPROM's SDA pin has a pull-up; given a 24Cxx, the rig plays it
// (PinEeprom24): gpsim halts before each of the loader's instructions that lower SCL and, where
// a START or STOP may come, after those that raise it (execution break points: register break
// points lose a cycle each, docs/gpsim.md); the rig reads the pins there and the chip pulls SDA
// low through the pull-up's voltage.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gpsim/lib/gpsim_process.h"
#include "gpsim/pin_eeprom24.h"

namespace korvane::gpsim {

struct LoaderCardPart {
    const char* gpsim_name;   // "p16f84"
    int device_index;         // the program's PIC catalogue index: its loader and configuration word
};

// A character on the I/O line: start edge, value, parity, and every level change in it.
struct LineChar {
    std::uint64_t start = 0;   // instruction cycle of the start edge
    std::uint8_t value = 0;
    bool parity_even = false;
    std::vector<std::uint64_t> edges;   // cycles of the level changes from start to the guard time
};

constexpr int kCardClocksPerCycle = 4;
constexpr int kEtuCycles = 93;   // one etu: 372 card clocks

class LoaderCardRig {
public:
    // Starts gpsim with the device's loader image (the program's own, with the configuration
    // word the program writes) at `clock_hz`, files in `workdir`, with a 24Cxx on the EEPROM
    // pins when `eeprom` is given (its page write takes `write_us`). Throws GpsimError.
    LoaderCardRig(const LoaderCardPart& part, double clock_hz, const std::filesystem::path& workdir,
                  std::optional<Eeprom24Geometry> eeprom = std::nullopt, double write_us = 5000);

    // The card's characters that start after `since` until `count` have come and the line has
    // been idle for a character time after the last, or `limit` cycles have passed.
    std::vector<LineChar> receive(std::size_t count, std::uint64_t since, std::uint64_t limit = 2'000'000);
    // Sends bytes as the reader does (even parity, 2 etu guard time) at the host's baud rate,
    // starting 4 etu after now; returns the cycle where the last character's guard time ends.
    std::uint64_t send(const std::vector<std::uint8_t>& bytes);
    // send(), then receive(count) after it: the card's answer bytes.
    std::vector<std::uint8_t> exchange(const std::vector<std::uint8_t>& bytes, std::size_t count);

    // The 24Cxx on the pins (only with an EEPROM given).
    PinEeprom24& eeprom() { return *eeprom_; }
    std::uint64_t now() const { return now_; }
    double host_etu_cycles() const { return host_etu_; }

private:
    enum BusHalt { kAfterRise = 1, kBeforeFall = 2 };
    void set_bus_breaks(const std::vector<std::uint16_t>& code);
    void run_until(std::uint64_t cycle);
    void observe_bus(std::uint32_t pc, std::uint32_t port);
    void collect_line();
    std::string record_file(int n) const;   // rotates the recorder's file and reads the closed one

    std::unique_ptr<GpsimProcess> gpsim_;
    std::filesystem::path workdir_;
    bool pic18_ = false;
    std::optional<PinEeprom24> eeprom_;
    std::string port_;                       // the register holding the SCL and SDA pins
    int scl_bit_ = 0, sda_bit_ = 0;
    std::map<std::uint32_t, int> bus_halt_;  // break address -> BusHalt bits
    std::vector<std::string> pending_;       // sent with the next run: the fall and SDA's answer
    bool sda_low_ = false;
    bool rise_armed_ = true;
    double host_etu_ = 0;
    std::uint64_t now_ = 0;
    int record_ = 0;
    std::vector<std::pair<std::uint64_t, bool>> line_;   // level changes of I/O
};

} // namespace korvane::gpsim
