#include "sim/pic18_flash.h"

#include <algorithm>

namespace korvane::sim {

void Pic18Flash::reset() {
    discard();
    multi_panel_ = false;
    erase_request_.reset();
    config_latch_.reset();
}

void Pic18Flash::discard() {
    for (auto& b : buffers_) {
        b.bytes.fill(0xFF);
        b.loaded = false;
    }
}

void Pic18Flash::table_write(std::uint32_t address, std::uint8_t value, bool cfgs) {
    address &= 0x3FFFFF;
    if (address == kEraseControl || address == kPanelMode) {
        if (!cfgs) return;
        if (address == kEraseControl) erase_request_ = value;
        else multi_panel_ = (value & 0x40) != 0;
        return;
    }
    if (address >= kConfigBase && address < kConfigBase + kConfigBytes) {
        config_latch_ = std::pair{address, value};
        return;
    }
    Buffer* b = nullptr;
    if (address < mem_.model().code_bytes) b = &buffers_[address / Pic18Model::kPanelBytes];
    else if (address >= kIdBase && address < kIdBase + kIdBytes) b = &buffers_[kIdBuffer];
    if (!b) return;
    b->bytes[address & 7] = value;
    b->loaded = true;
}

std::optional<std::uint8_t> Pic18Flash::take_erase_request() {
    auto r = erase_request_;
    erase_request_.reset();
    return r;
}

void Pic18Flash::program(std::uint32_t tblptr, bool external) {
    tblptr &= 0x3FFFFF;
    const std::uint32_t size = mem_.model().code_bytes;
    if (tblptr >= kIdBase && tblptr < kIdBase + kIdBytes) {
        const Buffer& b = buffers_[kIdBuffer];
        for (std::size_t i = 0; i < kIdBytes; ++i) mem_.ids[i] &= b.bytes[i];
    } else if (tblptr < size) {
        const std::uint32_t offset = tblptr & (Pic18Model::kPanelBytes - 8);
        const std::uint32_t panel = tblptr / Pic18Model::kPanelBytes;
        for (std::uint32_t p = 0; p < mem_.model().panels(); ++p) {
            const Buffer& b = buffers_[p];
            if (multi_panel_ ? b.loaded : p == panel) program_row(p * Pic18Model::kPanelBytes + offset, b, external);
        }
    }
    discard();
}

void Pic18Flash::program_row(std::uint32_t row, const Buffer& b, bool external) {
    const int block = protection_block(row);
    const Pic18Protection p = mem_.protection();
    if (block < 0 || p.write[std::size_t(block)]) return;
    if (external && p.code[std::size_t(block)]) return;
    for (std::uint32_t i = 0; i < 8; ++i) mem_.program[row + i] &= b.bytes[i];
}

void Pic18Flash::write_config(std::uint32_t address, std::uint8_t value) {
    address &= 0x3FFFFF;
    if (address < kConfigBase || address >= kConfigBase + kConfigBytes) return;
    if (mem_.protection().config_write) return;
    const std::size_t i = address - kConfigBase;
    const std::uint8_t mask = config_mask(mem_.model(), i);
    std::uint8_t& cell = mem_.config[i];
    // Protection once programmed comes back only with a chip erase.
    cell = i >= 8 ? std::uint8_t(cell & value & mask) : std::uint8_t(value & mask);
}

bool Pic18Flash::region_protected(std::uint32_t from, std::uint32_t to) const {
    const Pic18Protection p = mem_.protection();
    for (std::uint32_t a = from; a < to; a = a < 0x200 ? 0x200 : (a | 0x1FFF) + 1) {
        const int block = protection_block(a);
        if (block >= 0 && p.code[std::size_t(block)]) return true;
    }
    return false;
}

bool Pic18Flash::bulk_erase(std::uint8_t code) {
    const std::uint32_t size = mem_.model().code_bytes;
    auto erase_program = [&](std::uint32_t from, std::uint32_t to) {
        if (to > size || region_protected(from, to)) return;
        std::fill(mem_.program.begin() + from, mem_.program.begin() + to, 0xFF);
    };
    switch (code) {
    case 0x80: mem_.blank(); return true;
    case 0x81:
        if (!mem_.protection().data) std::fill(mem_.eeprom.begin(), mem_.eeprom.end(), 0xFF);
        return true;
    case 0x83: erase_program(0, 0x200); return true;
    case 0x88:
    case 0x89:
    case 0x8A:
    case 0x8B: {
        const std::uint32_t from = std::uint32_t(code - 0x88) * Pic18Model::kPanelBytes;
        erase_program(from, from + Pic18Model::kPanelBytes);
        return true;
    }
    default: return false;
    }
}

void Pic18Flash::erase_row(std::uint32_t address) {
    address &= 0x3FFFC0;
    if (address >= mem_.model().code_bytes) return;
    const int block = protection_block(address);
    if (block < 0 || mem_.protection().write[std::size_t(block)]) return;
    std::fill_n(mem_.program.begin() + address, 64, 0xFF);
}

} // namespace korvane::sim
