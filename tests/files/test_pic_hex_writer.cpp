#include <gtest/gtest.h>

#include "files/hex_record.h"
#include "files/pic_hex_writer.h"
#include "images.h"

using namespace korvane;
using namespace korvane::test;

namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

} // namespace

TEST(PicHexWriter, SixteenF84FileHas139Lines) {
    auto img = blank_pic(k16F84);
    img->code[0] = 0x2805;
    img->config[7] = 0x3FF1;
    for (int k = 0; k < 8; ++k) img->data[std::size_t(k)] = std::uint8_t(k + 1);
    const auto lines = lines_of(pic_hex_text(*img, k16F84));
    ASSERT_EQ(lines.size(), 139u);
    EXPECT_EQ(lines[0], ":100000000528FF3FFF3FFF3FFF3FFF3FFF3FFF3F11");
    EXPECT_EQ(lines[127].substr(0, 9), ":1007F000");
    EXPECT_EQ(lines[128], ":08400000FF3FFF3FFF3FFF3FC0");
    EXPECT_EQ(lines[129], ":02400E00F13F80");
    EXPECT_EQ(lines[130], ":10420000010002000300040005000600070008008A");
    EXPECT_EQ(lines[137].substr(0, 9), ":10427000");
    EXPECT_EQ(lines[138], ":00000001FF");
    for (const auto& l : lines) {
        EXPECT_TRUE(record_checksum_ok(l)) << l;
        EXPECT_NE(l.substr(7, 2), "04") << "no extended address record in a 16F file";
    }
}

TEST(PicHexWriter, SixteenFWritesIdWordsAndConfigurationWordOnly) {
    auto img = blank_pic(k16F877);
    img->config = {0x1, 0x2, 0x3, 0x4, 0x1111, 0x2222, 0x3333, 0x3F39};
    const auto lines = lines_of(pic_hex_text(*img, k16F877));
    ASSERT_EQ(lines.size(), 1024u + 2 + 32 + 1);
    EXPECT_EQ(lines[1024], ":084000000100020003000400AE");
    EXPECT_EQ(lines[1025].substr(0, 13), ":02400E00393F");
    EXPECT_EQ(lines[1026].substr(0, 9), ":10420000");
    EXPECT_EQ(lines[1057].substr(0, 9), ":1043F000");   // 32 data rows end at 0x43F0
}

TEST(PicHexWriter, EighteenFLayoutWithExtendedAddresses) {
    auto img = blank_pic(k18F452);
    for (int k = 8; k < 16; ++k) img->data[std::size_t(k)] = 0xFF;
    img->id = {1, 2, 3, 4, 5, 6, 7, 8};
    img->config[0] = 0x22FF;
    img->config[7] = 0x1234;   // belongs to no device address: not written
    const auto lines = lines_of(pic_hex_text(*img, k18F452));
    ASSERT_EQ(lines.size(), 1u + 2048 + 5 + 32 + 1);
    EXPECT_EQ(lines[0], ":020000040000FA");
    EXPECT_EQ(lines[2048].substr(0, 9), ":107FF000");
    EXPECT_EQ(lines[2049], ":020000040020DA");
    EXPECT_EQ(lines[2050], ":080000000102030405060708D4");
    EXPECT_EQ(lines[2051], ":020000040030CA");
    EXPECT_EQ(lines[2052], ":0E000000FF22FFFFFFFFFFFFFFFFFFFFFFFFDD");
    EXPECT_EQ(lines[2053], ":0200000400F00A");
    EXPECT_EQ(lines[2055], ":10001000FF00FF00FF00FF00FF00FF00FF00FF00E8");
    EXPECT_EQ(lines[2085].substr(0, 9), ":1001F000");
    EXPECT_EQ(lines.back(), ":00000001FF");
    for (std::size_t i = 1; i < 2049; ++i) ASSERT_EQ(lines[i].substr(7, 2), "00") << i;
    for (const auto& l : lines) EXPECT_TRUE(record_checksum_ok(l)) << l;
}

TEST(PicHexWriter, WordsBeyondTheProgramMemoryAreNotPartOfTheFile) {
    auto a = blank_pic(k18F242);
    const std::string blank_text = pic_hex_text(*a, k18F242);
    a->code[9000] = 0x0000;
    EXPECT_EQ(pic_hex_text(*a, k18F242), blank_text);
    a->code[5000] = 0x1234;
    EXPECT_NE(pic_hex_text(*a, k18F242), blank_text);
}
