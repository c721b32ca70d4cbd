#include "sim/eeprom24_model.h"

#include <array>

namespace korvane::sim {

namespace {
constexpr std::uint32_t kWriteCycleUs = 5000;

// 24C01/02 pages are 8 bytes (some makers use 16). The 24C65's 64-byte input cache is taken as
// one 64-byte page; its security block is not modelled. The 24C01 uses 7 of its address bits.
constexpr std::array<Eeprom24Model, 11> kModels = {{
    {"24C01", "24c01.mem", 128, 1, 0, 8, kWriteCycleUs},
    {"24C02", "24c02.mem", 256, 1, 0, 8, kWriteCycleUs},
    {"24C04", "24c04.mem", 512, 1, 1, 16, kWriteCycleUs},
    {"24C08", "24c08.mem", 1024, 1, 2, 16, kWriteCycleUs},
    {"24C16", "24c16.mem", 2048, 1, 3, 16, kWriteCycleUs},
    {"24C32", "24c32.mem", 4096, 2, 0, 32, kWriteCycleUs},
    {"24C64", "24c64.mem", 8192, 2, 0, 32, kWriteCycleUs},
    {"24C65", "24c65.mem", 8192, 2, 0, 64, kWriteCycleUs},
    {"24C128", "24c128.mem", 16384, 2, 0, 64, kWriteCycleUs},
    {"24C256", "24c256.mem", 32768, 2, 0, 64, kWriteCycleUs},
    {"24C512", "24c512.mem", 65536, 2, 0, 128, kWriteCycleUs},
}};
} // namespace

const Eeprom24Model* eeprom24_model(int index) {
    if (index < 0 || index >= int(kModels.size())) return nullptr;
    return &kModels[std::size_t(index)];
}

} // namespace korvane::sim
