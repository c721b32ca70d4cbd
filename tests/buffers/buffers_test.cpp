#include <gtest/gtest.h>

#include <algorithm>

#include "buffers/eeprom_buffers.h"
#include "buffers/marks.h"
#include "buffers/pic_buffers.h"

namespace korvane {
namespace {

TEST(PicBuffers, NewBuffersAreAllZero) {
    TPicBuffers b;
    for (int n = 1; n <= 5; ++n) {
        EXPECT_TRUE(std::all_of(b[n].code.begin(), b[n].code.end(), [](auto v) { return v == 0; }));
        EXPECT_EQ(b[n].config[7], 0);
        EXPECT_FALSE(b[n].empty);
        EXPECT_TRUE(b[n].file_name.empty());
    }
    EXPECT_NE(&b[1], &b[2]);
}

TEST(PicBuffers, Cleared16F628) {
    PicImage img;
    img.code[2048] = 0x1234;   // beyond the device: untouched
    img.data[128] = 0x55;
    clear_pic_image(img, 1);
    EXPECT_EQ(img.code[0], 0x3FFF);
    EXPECT_EQ(img.code[2047], 0x3FFF);
    EXPECT_EQ(img.code[2048], 0x1234);
    EXPECT_EQ(img.data[127], 0xFF);
    EXPECT_EQ(img.data[128], 0x55);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(img.config[k], 0x3FFF);   // ID words
    EXPECT_EQ(img.config[7], 0x3F08);
    EXPECT_TRUE(img.empty);
}

TEST(PicBuffers, Cleared18FKeepsConfigurationWord7) {
    PicImage img;
    img.config[7] = 0xABCD;
    clear_pic_image(img, 10);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(img.config[k], 0xFFFF);
    EXPECT_EQ(img.config[7], 0xABCD);
    EXPECT_TRUE(std::all_of(img.id.begin(), img.id.end(), [](auto v) { return v == 0xFF; }));
    EXPECT_EQ(img.code[16383], 0xFFFF);
    EXPECT_EQ(img.data[255], 0xFF);
    EXPECT_EQ(img.data[256], 0);
}

TEST(PicBuffers, ClearAllBlanksEveryBufferAndForgetsMarksAndNames) {
    TPicBuffers b;
    for (int n = 1; n <= 5; ++n) {
        b[n].code[0] = 0x0123;
        b[n].code_marks = "\x80";
        b[n].data_marks = "\x01";
        b[n].file_name = "/x.hex";
    }
    clear_all_pic_buffers(b, 0);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(b[n].code[0], 0x3FFF);
        EXPECT_EQ(b[n].config[7], 0x3FF8);
        EXPECT_TRUE(b[n].empty);
        EXPECT_TRUE(b[n].code_marks.empty());
        EXPECT_TRUE(b[n].data_marks.empty());
        EXPECT_TRUE(b[n].file_name.empty());
    }
}

TEST(EEPromBuffers, Cleared24C01OnlyUpToItsLastAddress) {
    EEPromImage img;
    img.bytes[128] = 0x12;
    clear_eeprom_image(img, 0);
    EXPECT_TRUE(std::all_of(img.bytes.begin(), img.bytes.begin() + 128, [](auto v) { return v == 0xFF; }));
    EXPECT_EQ(img.bytes[128], 0x12);
    EXPECT_TRUE(img.empty);
}

TEST(EEPromBuffers, ClearAllAndTheLargestType) {
    TEEPromBuffers b;
    for (int n = 1; n <= 5; ++n) {
        b[n].marks = "\xFF";
        b[n].file_name = "/e.bin";
    }
    clear_all_eeprom_buffers(b, 10);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(b[n].bytes[0xFFFF], 0xFF);
        EXPECT_TRUE(b[n].empty);
        EXPECT_TRUE(b[n].marks.empty());
        EXPECT_TRUE(b[n].file_name.empty());
    }
    EEPromImage img;
    clear_eeprom_image_to(img, 0x1FFFF);   // never past the image
    EXPECT_EQ(img.bytes[0xFFFF], 0xFF);
}

TEST(Marks, FirstCellIsTheMostSignificantBit) {
    std::vector<bool> cells(16, false);
    cells[0] = true;
    cells[9] = true;
    cells[15] = true;
    const std::string packed = pack_marks(cells);
    ASSERT_EQ(packed.size(), 2u);
    EXPECT_EQ(std::uint8_t(packed[0]), 0x80);
    EXPECT_EQ(std::uint8_t(packed[1]), 0x41);
    EXPECT_EQ(unpack_marks(packed, 16), cells);
}

TEST(Marks, EmptyStringMeansNoMarksAndSizesMayDiffer) {
    EXPECT_EQ(unpack_marks("", 8), std::vector<bool>(8, false));
    EXPECT_EQ(pack_marks(std::vector<bool>(64, false)), std::string(8, '\0'));
    const auto grown = unpack_marks("\xC0", 12);   // cells past the string are unmarked
    EXPECT_TRUE(grown[0] && grown[1]);
    EXPECT_FALSE(grown[2] || grown[8] || grown[11]);
    EXPECT_EQ(unpack_marks("\xFF\xFF", 4), std::vector<bool>(4, true));
    std::vector<bool> odd(10, false);
    odd[9] = true;
    EXPECT_EQ(unpack_marks(pack_marks(odd), 10), odd);   // a partial byte is not lost
}

} // namespace
} // namespace korvane
