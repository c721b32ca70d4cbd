#include "eeprom/eeprom_catalogue.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace korvane {

namespace {
constexpr TEEPromType kTypes[kEEPromTypeCount] = {
    {"24C01", "01", 128, 0x007F, 1, 0, 2, 64},
    {"24C02", "02", 256, 0x00FF, 1, 0, 2, 64},
    {"24C04", "04", 512, 0x01FF, 1, 1, 8, 128},
    {"24C08", "08", 1024, 0x03FF, 1, 2, 16, 128},
    {"24C16", "16", 2048, 0x07FF, 1, 3, 16, 128},
    {"24C32", "32", 4096, 0x0FFF, 2, 0, 32, 128},
    {"24C64", "64", 8192, 0x1FFF, 2, 0, 32, 128},
    {"24C65", "65", 8192, 0x1FFF, 2, 0, 64, 128},
    {"24C128", "128", 16384, 0x3FFF, 2, 0, 64, 128},
    {"24C256", "256", 32768, 0x7FFF, 2, 0, 64, 128},
    {"24C512", "512", 65536, 0xFFFF, 2, 0, 128, 128},
};
} // namespace

const TEEPromType& eeprom_type(int index) { return kTypes[std::clamp(index, 0, kEEPromTypeCount - 1)]; }

std::string eeprom_device_title(int index) {
    std::string t = "EEProm 24C";
    if (eeprom_index_valid(index)) t += kTypes[index].title_suffix;
    return t;
}

std::uint8_t eeprom_device_address(int index, std::uint32_t address, bool read) {
    // Two-address-byte types always use block 0; the others carry the address bits above the
    // low byte in bits 3..1 (the chip-select pins are taken as low).
    std::uint8_t block = index > 4 ? 0 : std::uint8_t(((address / 256) & 0x0F) << 1);
    return std::uint8_t(0xA0 | block | (read ? 1 : 0));
}

std::vector<std::uint8_t> eeprom_address_bytes(int index, std::uint32_t address) {
    std::vector<std::uint8_t> out{eeprom_device_address(index, address, false)};
    if (index > 4) out.push_back(std::uint8_t(address >> 8));
    out.push_back(std::uint8_t(address));
    return out;
}

int eeprom_type_by_name(const std::string& name) {
    std::string want;
    for (char c : name) want += char(std::toupper(static_cast<unsigned char>(c)));
    for (int i = 0; i < kEEPromTypeCount; ++i)
        if (want == kTypes[i].list_name) return i;
    return -1;
}

} // namespace korvane
