#include "sim/pic18_memory.h"

#include <algorithm>
#include <cstring>

namespace korvane::sim {

namespace {
constexpr char kImageMagic[8] = {'K', 'V', 'S', 'I', 'M', '1', '8', 'F'};
constexpr std::uint32_t kDeviceIdLow = 0x3FFFFE;
} // namespace

Pic18Memory::Pic18Memory(const Pic18Model& model, const SimFaults& faults) : model_(&model), faults_(faults) {
    blank();
}

void Pic18Memory::blank() {
    program.assign(model_->code_bytes, 0xFF);
    eeprom.assign(model_->eeprom_bytes, 0xFF);
    ids.fill(0xFF);
    config = default_config(*model_);
}

std::uint16_t Pic18Memory::device_id_word() const {
    if (faults_.device_id) return *faults_.device_id;
    return std::uint16_t(model_->device_id | model_->revision);
}

std::uint8_t Pic18Memory::read(std::uint32_t address, std::optional<int> from_block) const {
    address &= 0x3FFFFF;
    if (address < model_->code_bytes) {
        const int block = protection_block(address);
        if (block >= 0 && from_block != block) {
            const Pic18Protection p = protection();
            if (!from_block && p.code[std::size_t(block)]) return 0x00;
            if (from_block && p.table_read[std::size_t(block)]) return 0x00;
        }
        return fetch_byte(address);
    }
    if (address >= kIdBase && address < kIdBase + kIdBytes) return ids[address - kIdBase];
    if (address >= kConfigBase && address < kConfigBase + kConfigBytes) return config[address - kConfigBase];
    if (address == kDeviceIdLow) return std::uint8_t(device_id_word());
    if (address == kDeviceIdLow + 1) return std::uint8_t(device_id_word() >> 8);
    return 0x00;   // unimplemented memory reads 0
}

std::uint8_t Pic18Memory::fetch_byte(std::uint32_t address) const {
    if (address >= program.size()) return 0x00;
    if (faults_.stuck.empty()) return program[address];
    // A stuck bit is given per program word, like the 16F parts: word k is bytes 2k, 2k + 1.
    const std::uint16_t stuck = faults_.stuck_mask(address / 2);
    const std::uint8_t mask = std::uint8_t(address & 1 ? stuck >> 8 : stuck);
    return std::uint8_t(program[address] & ~mask);
}

std::uint8_t Pic18Memory::read_eeprom(std::uint8_t address, bool external) const {
    if (external && protection().data) return 0x00;
    return eeprom[address % eeprom.size()];
}

std::vector<std::uint8_t> Pic18Memory::save_image() const {
    std::vector<std::uint8_t> out(kImageMagic, kImageMagic + 8);
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
    };
    put32(model_->code_bytes);
    put32(model_->eeprom_bytes);
    out.insert(out.end(), program.begin(), program.end());
    out.insert(out.end(), ids.begin(), ids.end());
    out.insert(out.end(), config.begin(), config.end());
    out.insert(out.end(), eeprom.begin(), eeprom.end());
    return out;
}

bool Pic18Memory::load_image(const std::vector<std::uint8_t>& bytes) {
    const std::size_t want = 8 + 8 + model_->code_bytes + kIdBytes + kConfigBytes + model_->eeprom_bytes;
    if (bytes.size() != want || std::memcmp(bytes.data(), kImageMagic, 8) != 0) return false;
    auto get32 = [&](std::size_t pos) {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= std::uint32_t(bytes[pos + std::size_t(i)]) << (8 * i);
        return v;
    };
    if (get32(8) != model_->code_bytes || get32(12) != model_->eeprom_bytes) return false;
    auto at = bytes.begin() + 16;
    std::copy_n(at, program.size(), program.begin());
    at += std::ptrdiff_t(program.size());
    std::copy_n(at, kIdBytes, ids.begin());
    at += kIdBytes;
    std::copy_n(at, kConfigBytes, config.begin());
    at += kConfigBytes;
    std::copy_n(at, eeprom.size(), eeprom.begin());
    for (std::size_t i = 0; i < kConfigBytes; ++i) config[i] &= config_mask(*model_, i);
    return true;
}

} // namespace korvane::sim
