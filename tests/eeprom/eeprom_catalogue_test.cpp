#include <gtest/gtest.h>

#include <vector>

#include "eeprom/eeprom_catalogue.h"

namespace korvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(EEPromCatalogue, TableValues) {
    const char* names[11] = {"24C01", "24C02", "24C04", "24C08", "24C16", "24C32",
                             "24C64", "24C65", "24C128", "24C256", "24C512"};
    const std::uint32_t sizes[11] = {128, 256, 512, 1024, 2048, 4096, 8192, 8192, 16384, 32768, 65536};
    const std::uint16_t writes[11] = {2, 2, 8, 16, 16, 32, 32, 64, 64, 64, 128};
    for (int i = 0; i < kEEPromTypeCount; ++i) {
        const auto& t = eeprom_type(i);
        SCOPED_TRACE(i);
        EXPECT_STREQ(t.list_name, names[i]);
        EXPECT_EQ(std::string("24C") + t.title_suffix, names[i]);
        EXPECT_EQ(t.size, sizes[i]);
        EXPECT_EQ(t.last_address, sizes[i] - 1);
        EXPECT_EQ(t.address_bytes, i > 4 ? 2 : 1);
        EXPECT_EQ(t.write_bytes, writes[i]);
        EXPECT_EQ(t.loader_block, i < 2 ? 64 : 128);
    }
    EXPECT_EQ(eeprom_type(10).last_address, 0xFFFFu);
}

TEST(EEPromCatalogue, Titles) {
    EXPECT_EQ(eeprom_device_title(4), "EEProm 24C16");
    EXPECT_EQ(eeprom_device_title(0), "EEProm 24C01");
    EXPECT_EQ(eeprom_device_title(10), "EEProm 24C512");
    EXPECT_EQ(eeprom_device_title(11), "EEProm 24C");
    EXPECT_EQ(eeprom_device_title(-1), "EEProm 24C");
}

TEST(EEPromCatalogue, AddressBytesOnTheBus) {
    EXPECT_EQ(eeprom_address_bytes(4, 0x0734), (Bytes{0xAE, 0x34}));
    EXPECT_EQ(eeprom_address_bytes(6, 0x0734), (Bytes{0xA0, 0x07, 0x34}));
    EXPECT_EQ(eeprom_address_bytes(10, 0xFFFF), (Bytes{0xA0, 0xFF, 0xFF}));
    EXPECT_EQ(eeprom_address_bytes(0, 0x7F), (Bytes{0xA0, 0x7F}));
    EXPECT_EQ(eeprom_address_bytes(2, 0x1FF), (Bytes{0xA2, 0xFF}));
    EXPECT_EQ(eeprom_address_bytes(3, 0x3FF), (Bytes{0xA6, 0xFF}));
    EXPECT_EQ(eeprom_device_address(4, 0x0734, true), 0xAF);
    EXPECT_EQ(eeprom_device_address(5, 0x0FFF, true), 0xA1);
}

TEST(EEPromCatalogue, LookupByName) {
    EXPECT_EQ(eeprom_type_by_name("24c16"), 4);
    EXPECT_EQ(eeprom_type_by_name("24C512"), 10);
    EXPECT_EQ(eeprom_type_by_name("24C1024"), -1);
}

} // namespace
} // namespace korvane
