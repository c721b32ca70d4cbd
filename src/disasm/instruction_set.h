#pragma once
// The 14-bit PIC instruction set as the disassembler matches it, with the register and bit names
// it shows. Banks are not tracked: bank 1 registers show under their bank 0 names.
#include <array>
#include <cstdint>
#include <string>

#include "disasm/number_format.h"

namespace korvane {

enum class OperandKind { None, File, FileDest, FileBit, Literal, Address, Tris };

struct Instruction {
    std::uint16_t value;
    std::uint16_t mask;
    const char* mnemonic;
    OperandKind kind;
};

// Entries 1..36 are tried in order; entry 0 (TRIS) only when none of them matched. Its position
// matters: 0x0060 must stay a NOP.
constexpr std::size_t kInstructionCount = 37;
const std::array<Instruction, kInstructionCount>& instruction_table();

// The first matching entry, or nullptr for a word that is no instruction.
const Instruction* find_instruction(std::uint16_t word);

// INDF, TMR0, ... INTCON for f = 0..11 (7 excepted); the number in byte format otherwise.
std::string register_name(std::uint8_t f, Radix radix);

// STATUS and INTCON bits by name (INTCON bit 6 excepted); any other bit as its number.
std::string bit_name(std::uint8_t f, std::uint8_t bit, Radix radix);

} // namespace korvane
