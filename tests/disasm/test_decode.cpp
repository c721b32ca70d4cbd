#include <gtest/gtest.h>

#include "disasm/disassembler.h"
#include "disasm/instruction_set.h"
#include "disasm_fixture.h"

namespace korvane {
namespace {

using test::blank_image;
using test::options;

struct Decoded {
    std::string mnemonic, operand, bit_operand, destination, opcode;
};

Decoded decode(std::uint16_t word, int device = 0, Radix radix = Radix::Hexadecimal) {
    auto image = blank_image(device);
    TDisassembler dis(*image, device, options(radix, true, true, true));
    dis.decode_word(word, 100);
    const auto& s = dis.slot(100);
    return {s.mnemonic, s.operand, s.bit_operand, s.destination, s.opcode};
}

TEST(Decode, ZeroPageWordsFollowTableOrder) {
    // NOP comes before TRIS in the table, so every NOP form wins over TRIS 0.
    for (std::uint16_t w : {0x0000, 0x0020, 0x0040, 0x0060}) EXPECT_EQ(decode(w).mnemonic, "NOP") << w;
    EXPECT_EQ(decode(0x0065).mnemonic, "TRIS ");
    EXPECT_EQ(decode(0x0065).operand, "PORTA");
    EXPECT_EQ(decode(0x0066).operand, "PORTB");
    EXPECT_EQ(decode(0x0067).operand, "0x07");
    EXPECT_EQ(decode(0x0062).mnemonic, "OPTION");
    EXPECT_EQ(decode(0x0063).mnemonic, "SLEEP");
    EXPECT_EQ(decode(0x0064).mnemonic, "CLRWDT");
    EXPECT_EQ(decode(0x0008).mnemonic, "RETURN");
    EXPECT_EQ(decode(0x0009).mnemonic, "RETFIE");
    EXPECT_EQ(decode(0x0103).mnemonic, "CLRW");
    EXPECT_EQ(decode(0x0103).operand, "");
}

TEST(Decode, FileInstructionsNameRegistersAndDestination) {
    auto d = decode(0x0683);   // XORWF 3, f
    EXPECT_EQ(d.mnemonic, "XORWF");
    EXPECT_EQ(d.operand, "STATUS");
    EXPECT_EQ(d.destination, ", f");
    EXPECT_EQ(d.opcode, "0683");
    d = decode(0x0803);   // MOVF 3, W
    EXPECT_EQ(d.destination, ", W");
    // Bank 1 addresses show under their bank 0 names; register 7 and 12+ as numbers.
    EXPECT_EQ(decode(0x0085).operand, "PORTA");   // MOVWF 0x85 (TRISA)
    EXPECT_EQ(decode(0x0187).operand, "0x07");     // CLRF 7
    EXPECT_EQ(decode(0x018C).operand, "0x0C");
    EXPECT_EQ(decode(0x018C, 0, Radix::Decimal).operand, "D'12");
    EXPECT_EQ(decode(0x008B).operand, "INTCON");
    EXPECT_EQ(decode(0x0088).operand, "EEDATA");
}

TEST(Decode, BitInstructionsNameStatusAndIntconBits) {
    auto d = decode(0x1683);   // BSF 3, 5
    EXPECT_EQ(d.mnemonic, "BSF");
    EXPECT_EQ(d.operand, "STATUS");
    EXPECT_EQ(d.bit_operand, "RP0");
    d = decode(0x178B);   // BSF 0x0B, 7
    EXPECT_EQ(d.operand, "INTCON");
    EXPECT_EQ(d.bit_operand, "GIE");
    d = decode(0x1305);   // BCF 5, 6
    EXPECT_EQ(d.mnemonic, "BCF");
    EXPECT_EQ(d.operand, "PORTA");
    EXPECT_EQ(d.bit_operand, "0x06");
    EXPECT_EQ(decode(0x1B0B).bit_operand, "0x06");   // INTCON bit 6 has no name
    EXPECT_EQ(decode(0x1D83).bit_operand, "NOT_PD");   // BTFSS STATUS, 3
    EXPECT_EQ(decode(0x1A03, 0, Radix::Binary).bit_operand, "NOT_TO");   // BTFSC STATUS, 4
    // Binary bit numbers are kept whole.
    EXPECT_EQ(decode(0x1C0C, 0, Radix::Binary).bit_operand, "B'00000000");
    EXPECT_EQ(decode(0x1E8C, 0, Radix::Binary).bit_operand, "B'00000101");
    EXPECT_TRUE(decode(0x1683).destination.empty());
}

TEST(Decode, LiteralsInEveryRadix) {
    EXPECT_EQ(decode(0x3055, 0, Radix::Decimal).operand, "D'85");
    EXPECT_EQ(decode(0x3055, 0, Radix::Hexadecimal).operand, "0x55");
    EXPECT_EQ(decode(0x3055, 0, Radix::Octal).operand, "O'125");
    EXPECT_EQ(decode(0x3055, 0, Radix::Binary).operand, "B'01010101");
    EXPECT_EQ(decode(0x3055).mnemonic, "MOVLW");
    EXPECT_EQ(decode(0x3FFF).mnemonic, "ADDLW");
    EXPECT_EQ(decode(0x3DFF).mnemonic, "SUBLW");
    EXPECT_EQ(decode(0x34A5).operand, "0xA5");
}

TEST(Decode, WordsThatAreNoInstruction) {
    for (std::uint16_t w : {0x4000, 0x8000, 0xC683, 0x7FFF, 0x0001, 0x0007, 0x000A, 0x0068, 0x3B00})
        EXPECT_EQ(decode(w).mnemonic, "; ????") << std::hex << w;
    auto d = decode(0x4683);
    EXPECT_TRUE(d.operand.empty() && d.bit_operand.empty() && d.destination.empty());
    EXPECT_EQ(d.opcode, "4683");
}

TEST(Decode, JumpsMakeLabelsInHexadecimalWhateverTheRadix) {
    auto image = blank_image(0);
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
        auto image = blank_image(device);
        TDisassembler dis(*image, device, options(Radix::Hexadecimal, true, true, true));
        dis.decode_word(0x2805, 0);
        EXPECT_EQ(dis.slot(0).operand, "L0005.L0805.L1005.L1805");
        EXPECT_EQ(dis.slot(0).operand.size(), 23u);
        for (int t : {0x0005, 0x0805, 0x1005, 0x1805}) EXPECT_EQ(dis.slot(t).label, "L" + hex4(std::uint16_t(t)));
        dis.decode_word(0x2FFF, 1);   // GOTO 0x7FF reaches the last slot a label can be made in
        EXPECT_EQ(dis.slot(0x1FFF).label, "L1FFF");
    }
    auto image = blank_image(1);   // the 16F628 has one page
    TDisassembler dis(*image, 1, options(Radix::Hexadecimal, true, true, true));
    dis.decode_word(0x2805, 0);
    EXPECT_EQ(dis.slot(0).operand, "L0005");
}

TEST(Decode, UndecodableWordRemovesAnEarlierLabel) {
    auto image = blank_image(0);
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

TEST(Decode, TableHasEntryZeroLast) {
    const auto& table = instruction_table();
    EXPECT_STREQ(table.back().mnemonic, "TRIS ");
    EXPECT_STREQ(table.front().mnemonic, "ADDWF");
    EXPECT_STREQ(table[35].mnemonic, "OPTION");
}

} // namespace
} // namespace korvane
