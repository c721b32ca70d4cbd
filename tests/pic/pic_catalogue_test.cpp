#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pic/pic_catalogue.h"

namespace korvane {
namespace {

std::string record_bytes(int index) {
    return std::string(reinterpret_cast<const char*>(&pic_catalogue()[index]), 35);
}

TEST(PicCatalogue, RecordsAreContiguous35ByteImages) {
    // 16F628: index, "\x07" "16F628 ", ID C0 07, code 2048, data 128, 5, 0, 3FFF, FF, 3FFF, FF, 256, 16.
    const std::string want("\x01" "\x07" "16F628 " "\xC0\x07" "\x00\x08\x00\x00" "\x80\x00\x00\x00"
                           "\x05" "\x00" "\xFF\x3F" "\xFF" "\xFF\x3F" "\xFF" "\x00\x01\x00\x00"
                           "\x10\x00\x00\x00", 35);
    EXPECT_EQ(record_bytes(1), want);
    const std::string want452("\x0A" "\x07" "18F452 " "\x20\x04" "\x00\x40\x00\x00" "\x00\x01\x00\x00"
                              "\x03" "\x04" "\xFF\xFF" "\xFF" "\xFF\xFF" "\xFF" "\x00\x08\x00\x00"
                              "\x20\x00\x00\x00", 35);
    EXPECT_EQ(record_bytes(10), want452);
    EXPECT_EQ(reinterpret_cast<const char*>(&pic_catalogue()[11]) -
                  reinterpret_cast<const char*>(&pic_catalogue()[0]), 11 * 35);
}

TEST(PicCatalogue, EveryRecordIsConsistent) {
    struct Want {
        const char* name;
        std::uint16_t id;
        std::uint32_t code, data;
    };
    const Want want[12] = {{"16F84  ", 0x0560, 1024, 64},   {"16F628 ", 0x07C0, 2048, 128},
                           {"16F876 ", 0x09E0, 8192, 256},  {"16F877 ", 0x09A0, 8192, 256},
                           {"18F242 ", 0x0480, 8192, 256},  {"18F248 ", 0x0800, 8192, 256},
                           {"18F252 ", 0x0400, 16384, 256}, {"18F258 ", 0x0840, 16384, 256},
                           {"18F442 ", 0x04A0, 8192, 256},  {"18F448 ", 0x0820, 8192, 256},
                           {"18F452 ", 0x0420, 16384, 256}, {"18F458 ", 0x0860, 16384, 256}};
    for (int i = 0; i < kPicDeviceCount; ++i) {
        const auto& d = pic_device(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(d.index, i);
        EXPECT_EQ(d.name.len, 7);
        EXPECT_EQ(d.name.str(), want[i].name);
        EXPECT_EQ(d.device_id, want[i].id);
        EXPECT_EQ(d.code_size, want[i].code);
        EXPECT_EQ(d.data_size, want[i].data);
        EXPECT_EQ(d.code_rows * 8, d.code_size);
        EXPECT_EQ(d.data_rows * 8, d.data_size);
        const bool f16 = i <= 3;
        EXPECT_EQ(is_pic16f(i), f16);
        EXPECT_EQ(is_pic18f(i), !f16);
        EXPECT_EQ(d.command_len_minus_1, f16 ? 5 : 3);
        EXPECT_EQ(d.program_blank, f16 ? 0x3FFF : 0xFFFF);
        EXPECT_EQ(d.config_blank, f16 ? 0x3FFF : 0xFFFF);
        EXPECT_EQ(d.data_blank, 0xFF);
        EXPECT_EQ(d.id_blank, 0xFF);
        EXPECT_EQ(int(d.panel_count), f16 ? 0 : int(d.code_size / 4096)) << "8 KB panels";
    }
}

TEST(PicCatalogue, TitlesKeepTheNamePadding) {
    EXPECT_EQ(pic_device_title(0), "PIC 16F84  ");
    EXPECT_EQ(pic_device_title(1), "PIC 16F628 ");
    EXPECT_EQ(pic_device_title(10), "PIC 18F452 ");
}

TEST(PicCatalogue, DeviceIdIgnoresRevisionBits) {
    EXPECT_TRUE(pic_device_id_matches(2, 0x09E7));
    EXPECT_TRUE(pic_device_id_matches(2, 0x09FF));
    EXPECT_FALSE(pic_device_id_matches(3, 0x09E7));   // 16F877 and 16F876 differ only here
    EXPECT_TRUE(pic_device_id_matches(3, 0x09A1));
    EXPECT_FALSE(pic_device_id_matches(0, 0x3FFF));   // empty socket
    EXPECT_FALSE(pic_device_id_matches(12, 0x0560));
}

TEST(PicCatalogue, ClearedConfigurationWord) {
    EXPECT_EQ(pic_cleared_config_word(0), 0x3FF8);
    EXPECT_EQ(pic_cleared_config_word(1), 0x3F08);
    EXPECT_EQ(pic_cleared_config_word(2), 0x3D38);
    EXPECT_EQ(pic_cleared_config_word(3), 0x3D38);
}

TEST(PicCatalogue, LookupByName) {
    EXPECT_EQ(pic_device_by_name("16F84"), 0);
    EXPECT_EQ(pic_device_by_name("18f452"), 10);
    EXPECT_EQ(pic_device_by_name("PIC16F877"), 3);
    EXPECT_EQ(pic_device_by_name("16F85"), -1);
    EXPECT_EQ(pic_device_by_name(""), -1);
}

} // namespace
} // namespace korvane
