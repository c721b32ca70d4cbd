#include <gtest/gtest.h>

#include <string>

#include "pic/pic_catalogue.h"

namespace korvane {
namespace {

// The rows' own values are checked against the simulated chips end to end; here only what must
// hold between the fields of every row.
TEST(PicCatalogue, EveryRecordIsConsistent) {
    for (int i = 0; i < kPicDeviceCount; ++i) {
        const auto& d = pic_device(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(d.index, i);
        EXPECT_EQ(d.name.len, 7);
        EXPECT_EQ(pic_device_title(i), "PIC " + d.name.str());
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

// The device checks of test_pic16_ops.cpp and test_pic18_ops.cpp leave out revision 7.
TEST(PicCatalogue, DeviceIdIgnoresAllFiveRevisionBitsOnly) {
    EXPECT_TRUE(pic_device_id_matches(2, 0x09FF));
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
