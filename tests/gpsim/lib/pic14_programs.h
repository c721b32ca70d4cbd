#pragma once
// Random programs for the 14-bit core, the same for our core and for gpsim. A program is a
// fixed preamble (the return stack filled with known addresses, every general purpose register
// set to a known value, since both simulators leave them as they please at power-on) and a
// random body page of 256 words: all 35 instructions (the don't-care encodings too), OPTION and
// TRIS, direct operands in every bank, INDF through FSR, computed gotos through PCL/PCLATH,
// calls and returns, skips, data EEPROM reads, TMR0 and its interrupt. Whatever an operand or a
// wandering PCL reaches is safe in every bank: no port is read (the pins are the board's), no
// peripheral of gpsim's that our core keeps as plain storage is written.
#include <cstdint>
#include <string>
#include <vector>

#include "sim/pic14_core.h"

namespace korvane::gpsim {

struct Pic14Target {
    sim::Pic14Part part;
    std::string name;             // for reports: "16F84A"
    std::string gpsim_processor;  // "p16f84"
    unsigned code_words;
    unsigned banks;               // 2 (RP0 only) or 4
    std::vector<std::uint16_t> gprs;          // every general purpose register, once (no mirror)
    std::vector<std::uint8_t> direct_offsets; // f operands safe in every bank
    std::vector<std::uint8_t> gpr_offsets;    // f operands that are general purpose in bank 0
    std::vector<std::uint8_t> fsr_values;     // FSR values safe with IRP 0 and 1
    std::uint8_t intcon_mask = 0xFF;          // the INTCON bits the programs may set
    unsigned eeprom_bytes;
};

const Pic14Target& pic14_target(sim::Pic14Part part);
const std::vector<sim::Pic14Part>& pic14_parts();   // F84A, F628, F876, F877
// A register's name at a 9-bit address, "GPR 0x20" for general purpose registers.
std::string pic14_register_name(const Pic14Target& target, std::uint16_t address);

constexpr std::uint16_t kPic14Config = 0x3FFB;   // watchdog off
constexpr std::uint16_t kPic14DrainReturn = 0x0001;   // a RETURN outside the program's reach

struct Pic14Program {
    std::uint32_t seed;
    std::vector<std::uint16_t> image;   // the whole program memory
    std::uint16_t body;                 // address of the random page
    std::uint64_t cycles;               // how long both simulators run it
};

// The image without a body: the preamble, the vectors, and a GOTO to itself in every other word
// (a program that escapes its page stops there the same way in both simulators).
std::vector<std::uint16_t> pic14_fixed_image(const Pic14Target& target, std::uint16_t* body);

// The data EEPROM both simulators start with (the programs only read it): no two bytes alike
// in a row, none erased, so a read from the wrong address shows.
std::vector<std::uint8_t> pic14_eeprom(const Pic14Target& target);

Pic14Program pic14_program(const Pic14Target& target, std::uint32_t seed, std::uint64_t cycles = 3000);

} // namespace korvane::gpsim
