#include <gtest/gtest.h>

#include "files/hex_record.h"
#include "files/hex_text.h"

using namespace korvane;

TEST(HexText, DigitsAnyCaseAndEverythingElseCountsZero) {
    EXPECT_EQ(hex_byte("3F"), 0x3F);
    EXPECT_EQ(hex_byte("3f"), 0x3F);
    EXPECT_EQ(hex_word("aBcD"), 0xABCD);
    // A bad character, a blank or a missing digit counts 0, never an error.
    EXPECT_EQ(hex_byte("G1"), 0x01);
    EXPECT_EQ(hex_byte(" 5"), 0x05);
    EXPECT_EQ(hex_byte(std::string_view("\0\xFF", 2)), 0x00);
    EXPECT_EQ(hex_byte(""), 0);
    EXPECT_EQ(hex_byte("  "), 0);
    EXPECT_EQ(hex_byte("\r\n"), 0);
    EXPECT_EQ(hex_byte("A"), 0xA0);
    EXPECT_EQ(hex_word("12"), 0x1200);
    EXPECT_EQ(hex_word(""), 0);
    // Fields at positions past the line end.
    EXPECT_EQ(hex_byte_at(":10", 2), 0x10);
    EXPECT_EQ(hex_byte_at(":1", 2), 0x10);
    EXPECT_EQ(hex_word_at(":10", 4), 0);
    EXPECT_EQ(hex_word_at("", 4), 0);
    EXPECT_EQ(hex_byte_at(":10", 0), 0);
}

TEST(HexText, OutputIsUpperCaseHighByteFirst) {
    EXPECT_EQ(hex_byte_text(0x0A), "0A");
    EXPECT_EQ(hex_word_text(0xBEEF), "BEEF");
    EXPECT_EQ(hex_word_text(0x0001), "0001");
}

TEST(RecordChecksum, QuotedRecordsPassChangedDigitsFailShortLinesAreSafe) {
    for (const char* line : {":100000000528FF3FFF3FFF3FFF3FFF3FFF3FFF3F11", ":02400E00F13F80",
                             ":10420000010002000300040005000600070008008A", ":00000001FF", ":020000040030CA",
                             ":10000000000102030405060708090A0B0C0D0E0F78", ":03000100220C0EC0", ":02400e00f13f80",
                             "", "x00000001FF", ":00000001FF garbage",   // the start mark and what follows are not examined
                             ":FF0001"})   // 0xFF + 0x01 sums to 0: the missing checksum reads 0
        EXPECT_TRUE(record_checksum_ok(line)) << line;
    for (const char* line : {":02400E00F13F81", ":02400E00F13E80", ":FF000000"})
        EXPECT_FALSE(record_checksum_ok(line)) << line;
}
