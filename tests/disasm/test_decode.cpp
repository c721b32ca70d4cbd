#include <gtest/gtest.h>

#include "disasm/disassembler.h"
#include "disasm_fixture.h"

namespace korvane {
namespace {

using test::blank_pic;
using test::options;

struct Decoded {
    std::string mnemonic, operand, bit_operand, destination, opcode;
};

Decoded decode(std::uint16_t word, int device = 0, Radix radix = Radix::Hexadecimal) {
    auto image = blank_pic(device);
    TDisassembler dis(*image, device, options(radix, true, true, true));
    dis.decode_word(word, 100);
    const auto& s = dis.slot(100);
    return {s.mnemonic, s.operand, s.bit_operand, s.destination, s.opcode};
}

TEST(Decode, MnemonicsOperandsAndDestinations) {
    struct Case {
        std::uint16_t word;
        Radix radix;
        std::vector<std::string> expected;   // mnemonic, operand, bit, destination; the opcode is the word
    };
    const Case cases[] = {
        {0x0065, Radix::Hexadecimal, {"TRIS ", "PORTA", "", ""}},
        {0x0066, Radix::Hexadecimal, {"TRIS ", "PORTB", "", ""}},
        {0x0067, Radix::Hexadecimal, {"TRIS ", "0x07", "", ""}},
        {0x0062, Radix::Hexadecimal, {"OPTION", "", "", ""}},
        {0x0063, Radix::Hexadecimal, {"SLEEP", "", "", ""}},
        {0x0064, Radix::Hexadecimal, {"CLRWDT", "", "", ""}},
        {0x0008, Radix::Hexadecimal, {"RETURN", "", "", ""}},
        {0x0009, Radix::Hexadecimal, {"RETFIE", "", "", ""}},
        {0x0103, Radix::Hexadecimal, {"CLRW", "", "", ""}},
        // File instructions name registers; bank 1 addresses show under their bank 0 names,
        // register 7 and 12 on as numbers.
        {0x0683, Radix::Hexadecimal, {"XORWF", "STATUS", "", ", f"}},
        {0x0803, Radix::Hexadecimal, {"MOVF", "STATUS", "", ", W"}},
        {0x0085, Radix::Hexadecimal, {"MOVWF", "PORTA", "", ""}},   // TRISA
        {0x0187, Radix::Hexadecimal, {"CLRF", "0x07", "", ""}},
        {0x018C, Radix::Hexadecimal, {"CLRF", "0x0C", "", ""}},
        {0x018C, Radix::Decimal, {"CLRF", "D'12", "", ""}},
        {0x008B, Radix::Hexadecimal, {"MOVWF", "INTCON", "", ""}},
        {0x0088, Radix::Hexadecimal, {"MOVWF", "EEDATA", "", ""}},
        // Bit instructions name the STATUS and INTCON bits; binary bit numbers are kept whole.
        {0x1683, Radix::Hexadecimal, {"BSF", "STATUS", "RP0", ""}},
        {0x178B, Radix::Hexadecimal, {"BSF", "INTCON", "GIE", ""}},
        {0x1305, Radix::Hexadecimal, {"BCF", "PORTA", "0x06", ""}},
        {0x1B0B, Radix::Hexadecimal, {"BTFSC", "INTCON", "0x06", ""}},   // INTCON bit 6 has no name
        {0x1D83, Radix::Hexadecimal, {"BTFSS", "STATUS", "NOT_PD", ""}},
        {0x1A03, Radix::Binary, {"BTFSC", "STATUS", "NOT_TO", ""}},
        {0x1C0C, Radix::Binary, {"BTFSS", "B'00001100", "B'00000000", ""}},
        {0x1E8C, Radix::Binary, {"BTFSS", "B'00001100", "B'00000101", ""}},
        // Literals in every radix.
        {0x3055, Radix::Decimal, {"MOVLW", "D'85", "", ""}},
        {0x3055, Radix::Hexadecimal, {"MOVLW", "0x55", "", ""}},
        {0x3055, Radix::Octal, {"MOVLW", "O'125", "", ""}},
        {0x3055, Radix::Binary, {"MOVLW", "B'01010101", "", ""}},
        {0x3FFF, Radix::Hexadecimal, {"ADDLW", "0xFF", "", ""}},
        {0x3DFF, Radix::Hexadecimal, {"SUBLW", "0xFF", "", ""}},
        {0x34A5, Radix::Hexadecimal, {"RETLW", "0xA5", "", ""}},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    // NOP comes before TRIS in the table, so every NOP form wins over TRIS 0.
    for (std::uint16_t w : {0x0000, 0x0020, 0x0040, 0x0060}) all.push_back({w, Radix::Hexadecimal, {"NOP", "", "", ""}});
    // Words that are no instruction carry nothing but their opcode.
    for (std::uint16_t w : {0x4000, 0x8000, 0xC683, 0x7FFF, 0x0001, 0x0007, 0x000A, 0x0068, 0x3B00, 0x4683})
        all.push_back({w, Radix::Hexadecimal, {"; ????", "", "", ""}});
    for (const auto& c : all) {
        const Decoded d = decode(c.word, 0, c.radix);
        EXPECT_EQ((std::vector{d.mnemonic, d.operand, d.bit_operand, d.destination}), c.expected) << std::hex << c.word;
        EXPECT_EQ(d.opcode, hex4(c.word)) << std::hex << c.word;
    }
}

TEST(Decode, JumpsMakeLabelsInHexadecimalWhateverTheRadix) {
    auto image = blank_pic(0);
    TDisassembler dis(*image, 0, options(Radix::Binary, true, true, true));
    dis.decode_word(0x2805, 0);   // GOTO 5
    EXPECT_EQ(dis.slot(0).operand, "L0005");
    EXPECT_EQ(dis.slot(5).label, "L0005");
    EXPECT_TRUE(dis.slot(0x805).label.empty());
    dis.decode_word(0x27FF, 1);   // CALL 0x7FF
    EXPECT_EQ(dis.slot(1).mnemonic, "CALL");
    EXPECT_EQ(dis.slot(0x7FF).label, "L07FF");
}

TEST(Decode, FourPageDevicesGetFourTargets) {
    for (int device : {2, 3}) {
        auto image = blank_pic(device);
        TDisassembler dis(*image, device, options(Radix::Hexadecimal, true, true, true));
        dis.decode_word(0x2805, 0);
        EXPECT_EQ(dis.slot(0).operand, "L0005.L0805.L1005.L1805");
        EXPECT_EQ(dis.slot(0).operand.size(), 23u);
        for (int t : {0x0005, 0x0805, 0x1005, 0x1805}) EXPECT_EQ(dis.slot(t).label, "L" + hex4(std::uint16_t(t)));
        dis.decode_word(0x2FFF, 1);   // GOTO 0x7FF reaches the last slot a label can be made in
        EXPECT_EQ(dis.slot(0x1FFF).label, "L1FFF");
    }
    auto image = blank_pic(1);   // the 16F628 has one page
    TDisassembler dis(*image, 1, options(Radix::Hexadecimal, true, true, true));
    dis.decode_word(0x2805, 0);
    EXPECT_EQ(dis.slot(0).operand, "L0005");
}

TEST(Decode, UndecodableWordRemovesAnEarlierLabel) {
    auto image = blank_pic(0);
    TDisassembler dis(*image, 0, options(Radix::Hexadecimal, true, true, true));
    dis.decode_word(0x2805, 0);
    dis.decode_word(0xFFFF, 5);
    EXPECT_TRUE(dis.slot(5).label.empty());
    EXPECT_EQ(dis.slot(5).mnemonic, "; ????");
    dis.decode_word(0x0000, 6);   // a decodable word keeps a label made earlier
    dis.decode_word(0x2806, 1);
    dis.decode_word(0x0000, 6);
    EXPECT_EQ(dis.slot(6).label, "L0006");
}

} // namespace
} // namespace korvane
