#pragma once
// Faults injected into the bench for tests and demonstrations, written as in KORVANE_SIM:
// comma-separated items, e.g. "empty", "id=0x09E7", "stuck=0x10:0x0001", "protect", "tprog=20",
// "noack", "twr=10", "wp", "silent", "badatr", "cardchk", "cardclock=6000000".
// Numbers are decimal or 0x-prefixed hex. Items nobody knows are ignored (with one warning each).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::sim {

struct StuckBits {
    std::uint32_t address = 0;   // program word (16F: also 0x2000..0x2003, 0x2007), or EEPROM byte
    std::uint16_t mask = 0;      // these bits always read 0
};

struct SimFaults {
    bool empty = false;                       // no chip in the socket
    std::optional<std::uint16_t> device_id;   // the device-ID word the chip reports
    std::vector<StuckBits> stuck;
    bool protect = false;                     // the chip starts code-protected
    std::optional<std::uint32_t> tprog_ms;    // time a programming cycle needs
    bool noack = false;                       // the EEPROM acknowledges no control byte
    std::optional<std::uint32_t> twr_ms;      // the EEPROM's internal write-cycle time
    bool wp = false;                          // EEPROM write-protected: writes ACKed, not stored
    bool silent = false;                      // the card in the reader never answers
    bool badatr = false;                      // the card's answer to reset arrives damaged
    bool cardchk = false;                     // block checksums are damaged on the card's I/O line
    std::optional<std::uint32_t> card_clock_hz;   // the reader's oscillator, instead of following the host

    std::uint16_t stuck_mask(std::uint32_t address) const;
};

struct FaultParse {
    SimFaults faults;
    std::vector<std::string> warnings;   // one per item that was not understood
};

FaultParse parse_faults(const std::string& text);

// Parses and prints each warning to stderr, each distinct one only once per process.
SimFaults parse_faults_warn_once(const std::string& text);

} // namespace korvane::sim
