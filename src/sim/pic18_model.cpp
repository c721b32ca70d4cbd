#include "sim/pic18_model.h"

namespace korvane::sim {

namespace {
constexpr std::uint32_t k16K = 0x4000, k32K = 0x8000;

// Revisions are those of parts commonly met; the host masks them off (bits 4..0).
constexpr Pic18Model kModels[] = {
    {"18F242", "pic18f242.mem", k16K, 768, 256, 0x0480, 0x07, false, true, 1000, 5000, 5000, 4000, 2000},
    {"18F248", "pic18f248.mem", k16K, 768, 256, 0x0800, 0x06, false, false, 1000, 5000, 5000, 4000, 2000},
    {"18F252", "pic18f252.mem", k32K, 1536, 256, 0x0400, 0x07, false, true, 1000, 5000, 5000, 4000, 2000},
    {"18F258", "pic18f258.mem", k32K, 1536, 256, 0x0840, 0x06, false, false, 1000, 5000, 5000, 4000, 2000},
    {"18F442", "pic18f442.mem", k16K, 768, 256, 0x04A0, 0x07, true, true, 1000, 5000, 5000, 4000, 2000},
    {"18F448", "pic18f448.mem", k16K, 768, 256, 0x0820, 0x06, true, false, 1000, 5000, 5000, 4000, 2000},
    {"18F452", "pic18f452.mem", k32K, 1536, 256, 0x0420, 0x07, true, true, 1000, 5000, 5000, 4000, 2000},
    {"18F458", "pic18f458.mem", k32K, 1536, 256, 0x0860, 0x06, true, false, 1000, 5000, 5000, 4000, 2000},
};

// 1L, 3L and 4H are not implemented; 3H only on the parts with the CCP2 multiplexer.
constexpr std::uint8_t kConfigMasks[kConfigBytes] = {
    0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40,
};
} // namespace

const Pic18Model* pic18_model(int catalogue_index) {
    if (catalogue_index < 4 || catalogue_index > 11) return nullptr;
    return &kModels[catalogue_index - 4];
}

std::uint8_t config_mask(const Pic18Model& m, std::size_t index) {
    if (index >= kConfigBytes) return 0;
    if (index == 5 && !m.ccp2_mux) return 0;
    return kConfigMasks[index];
}

std::array<std::uint8_t, kConfigBytes> default_config(const Pic18Model& m) {
    std::array<std::uint8_t, kConfigBytes> c{};
    for (std::size_t i = 0; i < kConfigBytes; ++i) c[i] = config_default(m, i);
    return c;
}

int protection_block(std::uint32_t address) {
    if (address < 0x200) return 0;
    const std::uint32_t block = address >> 13;
    return block < kBlocks - 1 ? int(block) + 1 : -1;
}

Pic18Protection decode_protection(const std::array<std::uint8_t, kConfigBytes>& c) {
    Pic18Protection p;
    auto blocks = [](std::array<bool, kBlocks>& out, std::uint8_t low, std::uint8_t high_boot_bit) {
        out[0] = !high_boot_bit;
        for (int k = 0; k < 4; ++k) out[std::size_t(k) + 1] = ((low >> k) & 1) == 0;
    };
    blocks(p.code, c[8], c[9] & 0x40);
    blocks(p.write, c[10], c[11] & 0x40);
    blocks(p.table_read, c[12], c[13] & 0x40);
    p.data = (c[9] & 0x80) == 0;
    p.data_write = (c[11] & 0x80) == 0;
    p.config_write = (c[11] & 0x20) == 0;
    return p;
}

std::array<std::uint8_t, kConfigBytes> protected_config(std::array<std::uint8_t, kConfigBytes> c) {
    c[8] = std::uint8_t(c[8] & ~0x0F);
    c[9] = std::uint8_t(c[9] & ~0x40);
    return c;
}

} // namespace korvane::sim
