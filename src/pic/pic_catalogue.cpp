#include "pic/pic_catalogue.h"

#include <algorithm>
#include <cctype>

namespace korvane {

namespace {
constexpr TPicDevice kCatalogue[kPicDeviceCount] = {
    {0, PString<7>("16F84  "), 0x0560, 1024, 64, 5, 0, 0x3FFF, 0xFF, 0x3FFF, 0xFF, 128, 8},
    {1, PString<7>("16F628 "), 0x07C0, 2048, 128, 5, 0, 0x3FFF, 0xFF, 0x3FFF, 0xFF, 256, 16},
    {2, PString<7>("16F876 "), 0x09E0, 8192, 256, 5, 0, 0x3FFF, 0xFF, 0x3FFF, 0xFF, 1024, 32},
    {3, PString<7>("16F877 "), 0x09A0, 8192, 256, 5, 0, 0x3FFF, 0xFF, 0x3FFF, 0xFF, 1024, 32},
    {4, PString<7>("18F242 "), 0x0480, 8192, 256, 3, 2, 0xFFFF, 0xFF, 0xFFFF, 0xFF, 1024, 32},
    {5, PString<7>("18F248 "), 0x0800, 8192, 256, 3, 2, 0xFFFF, 0xFF, 0xFFFF, 0xFF, 1024, 32},
    {6, PString<7>("18F252 "), 0x0400, 16384, 256, 3, 4, 0xFFFF, 0xFF, 0xFFFF, 0xFF, 2048, 32},
    {7, PString<7>("18F258 "), 0x0840, 16384, 256, 3, 4, 0xFFFF, 0xFF, 0xFFFF, 0xFF, 2048, 32},
    {8, PString<7>("18F442 "), 0x04A0, 8192, 256, 3, 2, 0xFFFF, 0xFF, 0xFFFF, 0xFF, 1024, 32},
    {9, PString<7>("18F448 "), 0x0820, 8192, 256, 3, 2, 0xFFFF, 0xFF, 0xFFFF, 0xFF, 1024, 32},
    {10, PString<7>("18F452 "), 0x0420, 16384, 256, 3, 4, 0xFFFF, 0xFF, 0xFFFF, 0xFF, 2048, 32},
    {11, PString<7>("18F458 "), 0x0860, 16384, 256, 3, 4, 0xFFFF, 0xFF, 0xFFFF, 0xFF, 2048, 32},
};
} // namespace

const TPicDevice* pic_catalogue() { return kCatalogue; }

const TPicDevice& pic_device(int index) {
    return kCatalogue[std::clamp(index, 0, kPicDeviceCount - 1)];
}

std::string pic_device_title(int index) {
    std::string name = pic_device(index).name.str();
    if (name.size() > 11) name.resize(11);
    return "PIC " + name;
}

bool pic_device_id_matches(int index, std::uint16_t read_id) {
    if (index < 0 || index >= kPicDeviceCount) return false;
    return std::uint16_t(read_id & ~kPicRevisionMask) == std::uint16_t(kCatalogue[index].device_id);
}

std::uint16_t pic_cleared_config_word(int index) {
    switch (index) {
    case 0: return 0x3FF8;
    case 1: return 0x3F08;
    case 2:
    case 3: return 0x3D38;
    default: return 0;
    }
}

std::uint16_t pic16_config_bits(int index) {
    switch (index) {
    case 1: return 0x3DFF;
    case 2:
    case 3: return 0x3BFF;
    default: return 0x3FFF;
    }
}

std::uint32_t pic16_write_cycle_ms(int index) {
    if (!is_pic16f(index)) return 0;
    return index == 1 ? 13 : 8;   // 16F628: 5 + 8 ms; 16F84A and 16F87x: 4 + 4 ms
}

int pic_device_by_name(const std::string& name) {
    std::string want;
    for (char c : name) want += char(std::toupper(static_cast<unsigned char>(c)));
    while (!want.empty() && want.back() == ' ') want.pop_back();
    if (want.rfind("PIC", 0) == 0) want.erase(0, 3);
    for (int i = 0; i < kPicDeviceCount; ++i) {
        std::string n = kCatalogue[i].name.str();
        while (!n.empty() && n.back() == ' ') n.pop_back();
        if (n == want) return i;
    }
    return -1;
}

} // namespace korvane
