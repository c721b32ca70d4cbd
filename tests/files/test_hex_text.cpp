#include <gtest/gtest.h>

#include "files/hex_record.h"
#include "files/hex_text.h"

using namespace korvane;

TEST(HexText, DigitsAnyCaseOtherCharactersZero) {
    EXPECT_EQ(hex_byte("3F"), 0x3F);
    EXPECT_EQ(hex_byte("3f"), 0x3F);
    EXPECT_EQ(hex_word("aBcD"), 0xABCD);
    EXPECT_EQ(hex_byte("G1"), 0x01);     // a bad character counts 0, never an error
    EXPECT_EQ(hex_byte(" 5"), 0x05);
    EXPECT_EQ(hex_byte(std::string_view("\0\xFF", 2)), 0x00);
}

TEST(HexText, BlankAndShortTextReadAsZeroDigits) {
    EXPECT_EQ(hex_byte(""), 0);
    EXPECT_EQ(hex_byte("  "), 0);
    EXPECT_EQ(hex_byte("\r\n"), 0);
    EXPECT_EQ(hex_byte("A"), 0xA0);      // the missing last digit counts 0
    EXPECT_EQ(hex_word("12"), 0x1200);
    EXPECT_EQ(hex_word(""), 0);
}

TEST(HexText, FieldsAtPositionsPastTheLineEndAreZero) {
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

TEST(RecordChecksum, QuotedRecordsPassAndOneChangedDigitFails) {
    for (const char* line : {":100000000528FF3FFF3FFF3FFF3FFF3FFF3FFF3F11", ":02400E00F13F80",
                             ":10420000010002000300040005000600070008008A", ":00000001FF", ":020000040030CA",
                             ":10000000000102030405060708090A0B0C0D0E0F78", ":03000100220C0EC0"})
        EXPECT_TRUE(record_checksum_ok(line)) << line;
    EXPECT_FALSE(record_checksum_ok(":02400E00F13F81"));
    EXPECT_FALSE(record_checksum_ok(":02400E00F13E80"));
    EXPECT_TRUE(record_checksum_ok(":02400e00f13f80"));
}

TEST(RecordChecksum, EmptyLinePassesAndStartMarkIsNotLookedAt) {
    EXPECT_TRUE(record_checksum_ok(""));
    EXPECT_TRUE(record_checksum_ok("x00000001FF"));
    // Characters after the checksum are not examined.
    EXPECT_TRUE(record_checksum_ok(":00000001FF garbage"));
}

TEST(RecordChecksum, HugeLengthOnAShortLineIsSafe) {
    EXPECT_FALSE(record_checksum_ok(":FF000000"));
    EXPECT_TRUE(record_checksum_ok(":FF0001"));   // 0xFF + 0x01 sums to 0: the missing checksum reads 0
}

TEST(HexRecordBuilder, BuildsTheRecordAndItsChecksum) {
    std::string out;
    HexRecordBuilder rec(0x02, 0x400E);
    rec.add_word_le(0x3FF1);
    rec.finish_line(out);
    EXPECT_EQ(out, ":02400E00F13F80\r\n");
}
