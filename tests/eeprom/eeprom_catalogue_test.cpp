#include <gtest/gtest.h>

#include <vector>

#include "eeprom/eeprom_catalogue.h"

namespace korvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The rows' sizes and names are run end to end on the simulated chips (ti2c_sim_test.cpp) and
// their titles are in the task messages; here what must hold within every row.
TEST(EEPromCatalogue, EveryRowIsConsistent) {
    for (int i = 0; i < kEEPromTypeCount; ++i) {
        const auto& t = eeprom_type(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(std::string("24C") + t.title_suffix, t.list_name);
        EXPECT_EQ(eeprom_device_title(i), std::string("EEProm ") + t.list_name);
        EXPECT_EQ(t.last_address, t.size - 1);
        EXPECT_EQ(t.address_bytes, t.size > 2048 ? 2 : 1) << "the 24C16 and smaller page by the control byte";
        EXPECT_EQ(t.loader_block, t.size <= 256 ? 64 : 128);
    }
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
