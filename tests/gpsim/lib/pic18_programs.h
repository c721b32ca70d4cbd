#pragma once
// Random programs for the PIC18 core (the 18F452), the same for our core and for gpsim. A
// program is a fixed preamble (every general purpose register set to a known value, since gpsim
// keeps its RAM over a reset, and the special registers the programs use) and a random body of
// 512 words: a main loop, subroutines in two levels and the interrupt routine. The body uses
// every instruction of the standard set: byte operations on the access bank and on banked RAM,
// WREG and STATUS as operands, the three FSRs through INDF, POSTINC, POSTDEC, PREINC and PLUSW,
// MOVFF, LFSR, skips, branches, CALL/RCALL/RETURN/RETLW with and without the fast shadow, PUSH
// and POP with TOS, computed gotos through PCLATU:PCLATH:PCL, table reads of its own program
// memory, MULWF/MULLW, DAW, Timer0 and its interrupt, data EEPROM reads, SLEEP and RESET.
// Whatever an operand reaches is safe: no port is read (the pins are the board's), no
// peripheral of gpsim's that our core keeps as plain storage is written, and the PC, the stack
// depth (0..4), the FSRs and TBLPTR stay where the program was written.
#include <cstdint>
#include <string>
#include <vector>

namespace korvane::gpsim {

constexpr const char* kPic18Processor = "p18f452";
constexpr int kPic18CatalogueIndex = 10;        // the 18F452 in the program's catalogue
constexpr std::uint32_t kPic18CodeBytes = 0x8000;
constexpr std::uint16_t kPic18RamBytes = 0x600;
constexpr std::uint32_t kPic18Body = 0x0400;     // byte address of the random body
constexpr std::uint32_t kPic18BodyWords = 512;
constexpr std::uint32_t kPic18DrainReturn = 0x0004;   // a RETURN outside the program's reach
// CONFIG2H (byte 0x300003): the watchdog off; CONFIG2L keeps its unprogrammed 0x0F.
constexpr std::uint32_t kPic18Config2 = 0x300002;
constexpr std::uint16_t kPic18Config2Word = 0x0E0F;

// What the programs may use beyond the core instructions and registers: gpsim times the
// interrupt entry and Timer0 differently from the data sheet, and does not load PCLATH/PCLATU
// on a PCL read (docs/gpsim.md), so the differential runs leave them out. Its one-cycle
// TBLRD/TBLWT the runner allows for.
struct Pic18Features {
    bool interrupts = false;
    bool table_reads = true;
    bool timer0 = false;
    bool reset = true;
    bool sleep = true;
    bool pcl_reads = false;
};

struct Pic18Program {
    std::uint32_t seed;
    std::vector<std::uint16_t> image;   // program memory words, word k at byte address 2k
    std::uint64_t cycles;               // how long both simulators run it
};

// The data EEPROM's contents in both simulators.
inline std::uint8_t pic18_eeprom_byte(unsigned address) { return std::uint8_t(address * 29 + 0x17); }

// A register's name at a data address ("TBLPTRL", "RAM 0x123").
std::string pic18_register_name(std::uint16_t address);

// The image without a body: the preamble, the vectors, and BRA to itself in every other word
// (a program that escapes stops there the same way in both simulators).
std::vector<std::uint16_t> pic18_fixed_image();

// The program for a seed. Body candidates whose FSRs or table pointer our core sees leave RAM
// or the program memory (a tight loop of POSTDEC, say) are drawn again from the seed; throws
// std::runtime_error when none of 50 stays inside.
Pic18Program pic18_program(std::uint32_t seed, std::uint64_t cycles = 7000, const Pic18Features& features = {});

} // namespace korvane::gpsim
