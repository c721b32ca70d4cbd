#include "sim/pic16_model.h"

namespace korvane::sim {

namespace {
constexpr Pic16Model kModels[] = {
    {"16F84A", "pic16f84.mem", 1024, 64, 0x0560, 0x02, 8000, 8000, 8000, 8000, CpScheme::F84A},
    {"16F628", "pic16f628.mem", 2048, 128, 0x07C0, 0x03, 13000, 8000, 5000, 8000, CpScheme::F628},
    {"16F876", "pic16f876.mem", 8192, 256, 0x09E0, 0x07, 8000, 4000, 8000, 8000, CpScheme::F87x},
    {"16F877", "pic16f877.mem", 8192, 256, 0x09A0, 0x06, 8000, 4000, 8000, 8000, CpScheme::F87x},
};
} // namespace

const Pic16Model* pic16_model(int catalogue_index) {
    if (catalogue_index < 0 || catalogue_index > 3) return nullptr;
    return &kModels[catalogue_index];
}

Protection decode_protection(const Pic16Model& m, std::uint16_t config) {
    Protection p;
    const std::uint32_t size = m.code_words;
    auto from = [&](std::uint32_t start) {
        if (start < size) {
            p.code_from = start;
            p.code_to = size;
        }
    };
    switch (m.cp) {
    case CpScheme::F84A:
        // Ten CP bits, all programmed together; any programmed bit counts as protection.
        if ((config & 0x3FF0) != 0x3FF0) from(0);
        break;
    case CpScheme::F87x: {
        // CP1:CP0 appear twice; a pair programmed in either copy counts.
        const unsigned cp = ((config >> 4) & 3) & ((config >> 12) & 3);
        if (cp == 0) from(0);
        else if (cp == 1) from(0x1000);
        else if (cp == 2) from(0x1F00);
        p.data = (config & 0x0100) == 0;
        break;
    }
    case CpScheme::F628: {
        const unsigned cp = ((config >> 12) & 3) & ((config >> 10) & 3);
        if (cp == 0) from(0);
        else if (cp == 1) from(0x200);
        else if (cp == 2) from(0x400);
        p.data = (config & 0x0100) == 0;
        break;
    }
    }
    return p;
}

std::uint16_t unimplemented_config_bits(const Pic16Model& m) {
    return m.cp == CpScheme::F87x ? 0x0400 : 0x0000;
}

std::uint16_t protected_config(const Pic16Model& m, std::uint16_t config) {
    switch (m.cp) {
    case CpScheme::F84A: return std::uint16_t(config & 0x000F);
    case CpScheme::F87x: return std::uint16_t(config & ~0x3030);
    case CpScheme::F628: return std::uint16_t(config & ~0x3C00);
    }
    return config;
}

} // namespace korvane::sim
