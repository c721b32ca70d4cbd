#pragma once
// Instruction layer of 18F in-circuit serial programming: 4-bit commands each followed by a 16-bit
// payload, core instructions fed to the target, table reads and writes through TBLPTR, and the
// held fourth clock during which the target programs. Built on the shared clock pulse, command
// sender and 16-bit sender.
#include <cstdint>

#include "pic/icsp_link.h"

namespace korvane {

// 18F commands (4-bit codes).
enum Pic18Command : unsigned {
    kCoreInstruction = 0,
    kShiftOutTablat = 2,
    kTableReadPostInc = 9,
    kTableWrite = 12,
    kTableWritePostInc2 = 13,
    kTableWriteStartProgramming = 15,
};

// Addresses reached through the table pointer.
constexpr std::uint32_t kPic18IdAddress = 0x200000;
constexpr std::uint32_t kPic18ConfigAddress = 0x300000;
constexpr std::uint32_t kPic18EraseControl = 0x3C0004;
constexpr std::uint32_t kPic18PanelWriteMode = 0x3C0006;
constexpr std::uint32_t kPic18DeviceIdAddress = 0x3FFFFE;
constexpr std::uint32_t kPic18PanelBytes = 0x2000;

// Bulk erase codes for the erase control register.
constexpr unsigned kPic18ChipErase = 0x80;
constexpr unsigned kPic18DataErase = 0x81;
constexpr unsigned kPic18PanelErase1 = 0x88;   // panels 1..4: 0x88..0x8B

enum class Pic18Memory { Program, DataEeprom, Config, ConfigWriteEnabled };

class Pic18Link : public IcspLink {
public:
    using IcspLink::IcspLink;

    // Milliseconds the lines stay low after the erase command's fourth clock (P11 and P10).
    static constexpr unsigned kEraseWaitMs = 6;

    void send_instruction(unsigned command, std::uint16_t payload) {
        send_command(command);
        send_16(payload);
    }
    void core(std::uint16_t instruction) { send_instruction(kCoreInstruction, instruction); }

    // Eight input clocks, then eight bits sampled while the clock is high, LSB first; the data
    // line is released on every bit.
    std::uint8_t read_byte();
    std::uint8_t command_read(unsigned command) {
        send_command(command);
        return read_byte();
    }
    // Two post-incrementing table reads, low byte first.
    std::uint16_t read_word();

    // Bits 21..0 of the address into TBLPTRU, TBLPTRH, TBLPTRL through W.
    void set_table_pointer(std::uint32_t address);
    void set_eeprom_address(unsigned address);
    void select_memory(Pic18Memory memory);
    void multi_panel_mode(bool on);

    // The fourth clock of the command after a start-programming write, held high for `ms` while
    // the target programs, then the rest of that (NOP) frame.
    void programming_wait(unsigned ms);
    // Erase control ← code, a NOP, then a NOP whose fourth clock is followed by the erase time
    // with the lines low before its payload: every frame complete.
    void bulk_erase(unsigned code);
};

} // namespace korvane
