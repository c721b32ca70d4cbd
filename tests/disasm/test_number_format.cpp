#include <gtest/gtest.h>

#include "disasm/number_format.h"

namespace korvane {

TEST(NumberFormat, WordAndByteInEveryRadix) {
    EXPECT_EQ(word_format(0x2000, Radix::Decimal), "D'8192");
    EXPECT_EQ(word_format(0x2000, Radix::Hexadecimal), "0x2000");
    EXPECT_EQ(word_format(0x2000, Radix::Octal), "O'020000");
    EXPECT_EQ(word_format(0x2000, Radix::Binary), "B'0010000000000000");
    EXPECT_EQ(byte_format(0x0C, Radix::Decimal), "D'12");
    EXPECT_EQ(byte_format(0x0C, Radix::Hexadecimal), "0x0C");
    EXPECT_EQ(byte_format(0x0C, Radix::Octal), "O'014");
    EXPECT_EQ(byte_format(0x0C, Radix::Binary), "B'00001100");
}

TEST(NumberFormat, ExtremesKeepTheirWidths) {
    EXPECT_EQ(word_format(0, Radix::Decimal), "D'0");
    EXPECT_EQ(word_format(0xFFFF, Radix::Octal), "O'177777");
    EXPECT_EQ(word_format(0x00AB, Radix::Hexadecimal), "0x00AB");
    EXPECT_EQ(byte_format(0xFF, Radix::Binary), "B'11111111");
    EXPECT_EQ(byte_format(0xFF, Radix::Octal), "O'377");
    EXPECT_EQ(hex4(0x2805), "2805");
    EXPECT_EQ(hex4(0xabc), "0ABC");
}

TEST(NumberFormat, DamagedRadixSettingFallsBackToHexadecimal) {
    EXPECT_EQ(radix_from_setting(0), Radix::Decimal);
    EXPECT_EQ(radix_from_setting(3), Radix::Binary);
    EXPECT_EQ(radix_from_setting(4), Radix::Hexadecimal);
    EXPECT_EQ(radix_from_setting(0xFF), Radix::Hexadecimal);
}

} // namespace korvane
