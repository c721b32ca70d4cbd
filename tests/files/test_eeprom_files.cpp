#include <gtest/gtest.h>

#include <sstream>

#include "file_command_test.h"
#include "files/eeprom_files.h"
#include "files/eeprom_image_files.h"
#include "files/file_names.h"
#include "files/hex_record.h"
#include "write_failure.h"

using namespace korvane;
using namespace korvane::test;

using EEPromFilesTest = FileCommandTest<EEPromImage, EEPromFileContext, blank_eeprom>;

TEST(EEPromHexText, RowsOfSixteenBytesThenTheEndRecord) {
    auto img = blank_eeprom(k24C01);
    for (int k = 0; k < 16; ++k) img->bytes[std::size_t(k)] = std::uint8_t(k);
    const std::string text = eeprom_hex_text(*img, k24C01);
    EXPECT_EQ(text.substr(0, 45), ":10000000000102030405060708090A0B0C0D0E0F78\r\n");
    EXPECT_EQ(text.size(), 8 * 45 + 13u);
    EXPECT_NE(text.find(":10007000"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 13), ":00000001FF\r\n");

    clear_eeprom_image(*img, k24C512);
    const std::string big = eeprom_hex_text(*img, k24C512);
    EXPECT_EQ(big.size(), 4096 * 45 + 13u);
    EXPECT_EQ(big.substr(4095 * 45, 9), ":10FFF000");
}

TEST(EEPromHexRead, RecordsNearTheLastAddressAreSkipped) {
    auto img = blank_eeprom(k24C01);
    std::istringstream in(":10007000000102030405060708090A0B0C0D0E0F08\r\n"
                          ":01007E00AAD7\r\n:01007F00BBC5\r\n:01007D00CCB6\r\n");
    EXPECT_EQ(read_eeprom_hex(in, *img, k24C01), HexReadResult::Ok);
    // Byte 127 comes from the record at 112, not from the one at 127.
    EXPECT_EQ(at(img->bytes, {112, 127, 126, 125}), (Values{0x00, 0x0F, 0x0E, 0xCC}));
}

TEST(EEPromHexRead, BytesPastTheImageAreDroppedAndTypeIsNotExamined) {
    auto img = blank_eeprom(k24C512);
    std::istringstream in(":10FFF000000102030405060708090A0B0C0D0E0F89\r\n:04FFFC0011223344");
    // The last line has no checksum digits left: it reads 0 and fails.
    EXPECT_EQ(read_eeprom_hex(in, *img, k24C512), HexReadResult::BadChecksum);
    EXPECT_EQ(img->bytes[0xFFFF], 0x0F);
    std::istringstream ext(":020000040001F9\r\n");
    EXPECT_EQ(read_eeprom_hex(ext, *img, k24C512), HexReadResult::Ok);
    EXPECT_EQ(at(img->bytes, {0, 1}), (Values{0x00, 0x01}));   // taken as two data bytes at address 0
}

TEST_F(EEPromFilesTest, BinaryLoadShortLongAndUnlistableFiles) {
    use(k24C02);
    const std::string name = path("short.bin");
    write_file(name, std::string(100, '\x11'));
    ASSERT_TRUE(load_eeprom_file_by_name(ctx(), name));
    EXPECT_EQ(at(img->bytes, {99, 100, 255}), (Values{0x11, 0xFF, 0xFF}));
    EXPECT_FALSE(img->empty);
    EXPECT_TRUE(host.boxes.empty());

    use(k24C02);
    const std::string longer = path("long.BIN");
    write_file(longer, std::string(300, '\x22'));
    ASSERT_TRUE(load_eeprom_file_by_name(ctx(), longer));
    EXPECT_EQ(at(img->bytes, {255, 256}), (Values{0x22, 0x00}));   // 256 is beyond the type: untouched (zero)
    EXPECT_EQ(settings.recent_eeprom_file_pos, 2);
    EXPECT_EQ(settings.recent_eeprom_files[1].str(), longer);

    // A name too long for the settings is loaded but not listed.
    const std::string too_long = long_path(".bin");
    write_file(too_long, std::string(4, '\x33'));
    ASSERT_TRUE(load_eeprom_file_by_name(ctx(), too_long));
    EXPECT_EQ(img->bytes[3], 0x33);
    EXPECT_EQ(img->file_name, too_long);
    EXPECT_EQ(settings.recent_eeprom_file_pos, 2);
}

TEST_F(EEPromFilesTest, LoadTakesTheNameFirstAndReportsEachFailure) {
    use(k24C256);
    const std::string txt = path("image.txt");
    EXPECT_FALSE(load_eeprom_file_by_name(ctx(), txt));
    EXPECT_EQ(box(0), (Lines{"EEProm 24C256 ERROR!", "File Type Not Correct"}));
    EXPECT_EQ(img->file_name, txt);
    EXPECT_EQ(host.status[2], display_name(txt));
    EXPECT_EQ(settings.last_eeprom_dir.str(), dir.str() + "/");
    EXPECT_TRUE(img->empty);

    EXPECT_FALSE(load_eeprom_file_by_name(ctx(), path("none.hex")));
    EXPECT_EQ(box(1), (Lines{"EEProm 24C256 ERROR!", "Invalid File Name"}));
    EXPECT_TRUE(img->empty);

    const std::string bad = path("bad.hex");
    write_file(bad, ":0400000001020304F2\r\n:0400100001020304E1\r\n:0400200001020304D2\r\n");
    EXPECT_FALSE(load_eeprom_file_by_name(ctx(), bad));
    EXPECT_EQ(box(2), (Lines{"EEProm 24C256 ERROR!", "CheckSum Not Correct"}));
    EXPECT_EQ(at(img->bytes, {3, 0x10}), (Values{0x04, 0xFF}));
    EXPECT_FALSE(img->empty);
    EXPECT_EQ(settings.recent_eeprom_file_pos, 1);
}

TEST_F(EEPromFilesTest, SaveChoosesTheFormatByExtension) {
    use(k24C16);
    for (std::size_t k = 0; k < 2048; ++k) img->bytes[k] = std::uint8_t(k * 13 + 7);
    const std::string bin = path("image.bin"), hex = path("image.hex");
    ASSERT_TRUE(save_eeprom_file(ctx(), bin));
    ASSERT_TRUE(save_eeprom_file(ctx(), hex));
    EXPECT_EQ(read_file(bin), eeprom_bin_bytes(*img, k24C16));
    EXPECT_EQ(read_file(bin).size(), 2048u);
    EXPECT_EQ(read_file(hex), eeprom_hex_text(*img, k24C16));
    EXPECT_EQ(img->file_name, hex);
    EXPECT_EQ(settings.recent_eeprom_file_pos, 0);   // saving does not add to the list
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(EEPromFilesTest, RefusedAndFailedSavesAreReportedAndLeaveNoFile) {
    use(k24C512);
    const std::string txt = path("image.txt");
    EXPECT_FALSE(save_eeprom_file(ctx(), txt));
    EXPECT_EQ(box(0), (Lines{"EEProm 24C512 ERROR!", "File Type Not Correct"}));
    EXPECT_FALSE(std::filesystem::exists(txt));
    EXPECT_EQ(img->file_name, "");
    EXPECT_FALSE(save_eeprom_file(ctx(), path("image")));
    EXPECT_EQ(box(1)[1], "File Type Not Correct");

    const std::string missing_dir = path("nodir/image.bin");
    EXPECT_FALSE(save_eeprom_file(ctx(), missing_dir));
    EXPECT_EQ(box(2), (Lines{"EEProm 24C512 ERROR!", "Couldn't Write File", missing_dir}));
    const std::string name = path("image.hex");
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(save_eeprom_file(ctx(), name));
    }
    EXPECT_EQ(box(3), (Lines{"EEProm 24C512 ERROR!", "Couldn't Write File", name}));
    EXPECT_FALSE(std::filesystem::exists(name));
}
