#include "disasm/instruction_set.h"

namespace korvane {

namespace {

using K = OperandKind;

constexpr std::array<Instruction, kInstructionCount> kTable = {{
    {0x0700, 0xFF00, "ADDWF", K::FileDest},
    {0x0500, 0xFF00, "ANDWF", K::FileDest},
    {0x0180, 0xFF80, "CLRF", K::File},
    {0x0100, 0xFF80, "CLRW", K::None},
    {0x0900, 0xFF00, "COMF", K::FileDest},
    {0x0300, 0xFF00, "DECF", K::FileDest},
    {0x0B00, 0xFF00, "DECFSZ", K::FileDest},
    {0x0A00, 0xFF00, "INCF", K::FileDest},
    {0x0F00, 0xFF00, "INCFSZ", K::FileDest},
    {0x0400, 0xFF00, "IORWF", K::FileDest},
    {0x0800, 0xFF00, "MOVF", K::FileDest},
    {0x0080, 0xFF80, "MOVWF", K::File},
    {0x0000, 0xFF9F, "NOP", K::None},
    {0x0D00, 0xFF00, "RLF", K::FileDest},
    {0x0C00, 0xFF00, "RRF", K::FileDest},
    {0x0200, 0xFF00, "SUBWF", K::FileDest},
    {0x0E00, 0xFF00, "SWAPF", K::FileDest},
    {0x0600, 0xFF00, "XORWF", K::FileDest},
    {0x1000, 0xFC00, "BCF", K::FileBit},
    {0x1400, 0xFC00, "BSF", K::FileBit},
    {0x1800, 0xFC00, "BTFSC", K::FileBit},
    {0x1C00, 0xFC00, "BTFSS", K::FileBit},
    {0x3E00, 0xFE00, "ADDLW", K::Literal},
    {0x3900, 0xFF00, "ANDLW", K::Literal},
    {0x2000, 0xF800, "CALL", K::Address},
    {0x0064, 0xFFFF, "CLRWDT", K::None},
    {0x2800, 0xF800, "GOTO", K::Address},
    {0x3800, 0xFF00, "IORLW", K::Literal},
    {0x3000, 0xFC00, "MOVLW", K::Literal},
    {0x0009, 0xFFFF, "RETFIE", K::None},
    {0x3400, 0xFC00, "RETLW", K::Literal},
    {0x0008, 0xFFFF, "RETURN", K::None},
    {0x0063, 0xFFFF, "SLEEP", K::None},
    {0x3C00, 0xFE00, "SUBLW", K::Literal},
    {0x3A00, 0xFF00, "XORLW", K::Literal},
    {0x0062, 0xFFFF, "OPTION", K::None},
    {0x0060, 0xFFF8, "TRIS ", K::Tris},   // entry 0, tried last
}};

constexpr const char* kRegisterNames[12] = {"INDF",  "TMR0",   "PCL",   "STATUS", "FSR",    "PORTA",
                                            "PORTB", nullptr,  "EEDATA", "EEADR", "PCLATH", "INTCON"};
constexpr const char* kStatusBits[8] = {"C", "DC", "Z", "NOT_PD", "NOT_TO", "RP0", "RP1", "IRP"};
constexpr const char* kIntconBits[8] = {"RBIF", "INTF", "T0IF", "RBIE", "INTE", "T0IE", nullptr, "GIE"};
constexpr std::uint8_t kStatus = 3;
constexpr std::uint8_t kIntcon = 11;

} // namespace

const std::array<Instruction, kInstructionCount>& instruction_table() { return kTable; }

const Instruction* find_instruction(std::uint16_t word) {
    for (const auto& entry : kTable)
        if ((word & entry.mask) == entry.value) return &entry;
    return nullptr;
}

std::string register_name(std::uint8_t f, Radix radix) {
    if (f < 12 && kRegisterNames[f]) return kRegisterNames[f];
    return byte_format(f, radix);
}

std::string bit_name(std::uint8_t f, std::uint8_t bit, Radix radix) {
    const char* name = nullptr;
    if (bit < 8 && f == kStatus) name = kStatusBits[bit];
    if (bit < 8 && f == kIntcon) name = kIntconBits[bit];
    return name ? std::string(name) : byte_format(bit, radix);
}

} // namespace korvane
