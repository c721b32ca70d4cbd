#include "sim/pic16_chip.h"

#include <algorithm>
#include <cstring>

namespace korvane::sim {

namespace {
constexpr std::uint16_t kConfigBase = 0x2000;
constexpr char kImageMagic[8] = {'K', 'V', 'S', 'I', 'M', '1', '6', 'F'};

bool has_data_frame_in(std::uint8_t code) { return code == 0 || code == 2 || code == 3; }
bool has_data_frame_out(std::uint8_t code) { return code == 4 || code == 5; }
} // namespace

Pic16Chip::Pic16Chip(const Pic16Model& model, const SimFaults& faults, SimCounters& counters)
    : model_(model), faults_(faults), counters_(counters) {
    blank();
}

void Pic16Chip::blank() {
    program_.assign(model_.code_words, 0x3FFF);
    data_.assign(model_.data_bytes, 0xFF);
    ids_.fill(0x3FFF);
    config_ = 0x3FFF;
}

std::uint16_t Pic16Chip::device_id_word() const {
    if (faults_.device_id) return *faults_.device_id & 0x3FFF;
    return std::uint16_t(model_.device_id | model_.revision);
}

std::optional<bool> Pic16Chip::data_drive() const {
    if (!powered_ || !prog_mode_) return std::nullopt;
    return drive_;
}

void Pic16Chip::settle(std::uint64_t now_ns) {
    if (cycle_ && now_ns >= cycle_->done_ns) {
        const Cycle c = *cycle_;
        cycle_.reset();
        commit(c);
    }
}

void Pic16Chip::pins_changed(const Pins& p, std::uint64_t now_ns) {
    now_ = now_ns;
    settle(now_ns);
    if (!p.power) {
        if (powered_) leave();
        powered_ = false;
        prev_ = p;
        return;
    }
    if (!powered_) {
        // Powering up with VPP already applied is no rising edge: the chip runs its program.
        powered_ = true;
        prog_mode_ = false;
        prev_ = p;
        return;
    }
    if (p.vpp != prev_.vpp) {
        if (!p.vpp) {
            leave();
        } else if (!p.clock && !p.data) {
            enter(now_ns);
        } else {
            ++counters_.refused_entries;
        }
    } else if (prog_mode_ && p.clock != prev_.clock) {
        if (p.clock) rising(now_ns);
        else falling(p.data);
    }
    prev_ = p;
}

void Pic16Chip::enter(std::uint64_t) {
    prog_mode_ = true;
    pc_ = 0;
    latch_ = 0x3FFF;
    last_load_ = Load::None;
    phase_ = Phase::Command;
    clocks_ = 0;
    shift_ = 0;
    suppressed_ = false;
    drive_.reset();
    erase_setup_ = 0;
    absorb_next_8_ = false;
    ++counters_.mode_entries;
}

void Pic16Chip::leave() {
    if (cycle_) {
        // VPP went before the cycle had run its time: the write never happens.
        cycle_.reset();
        ++counters_.timing_violations;
    }
    prog_mode_ = false;
    drive_.reset();
}

void Pic16Chip::rising(std::uint64_t now) {
    if (clocks_ == 0 && phase_ == Phase::Command) suppressed_ = busy(now);
    ++clocks_;
    if (phase_ != Phase::DataOut || suppressed_) return;
    if (clocks_ >= 2 && clocks_ <= 15) drive_ = ((out_word_ >> (clocks_ - 2)) & 1) != 0;
    else if (clocks_ == 16) drive_.reset();
}

void Pic16Chip::falling(bool data) {
    if (clocks_ == 0) return;
    switch (phase_) {
    case Phase::Command:
        if (data) shift_ |= 1u << (clocks_ - 1);
        if (clocks_ == 6) decode(std::uint8_t(shift_ & 0x3F));
        break;
    case Phase::DataIn:
        // Start and stop bits carry nothing.
        if (data && clocks_ >= 2 && clocks_ <= 15) shift_ |= 1u << (clocks_ - 2);
        if (clocks_ == 16) {
            if (!suppressed_) finish_load();
            phase_ = Phase::Command;
            clocks_ = 0;
            shift_ = 0;
        }
        break;
    case Phase::DataOut:
        if (clocks_ == 16) {
            drive_.reset();
            phase_ = Phase::Command;
            clocks_ = 0;
            shift_ = 0;
        }
        break;
    }
}

void Pic16Chip::decode(std::uint8_t code) {
    ++counters_.commands;
    command_ = code;
    clocks_ = 0;
    shift_ = 0;
    phase_ = has_data_frame_in(code) ? Phase::DataIn : has_data_frame_out(code) ? Phase::DataOut : Phase::Command;
    const bool absorb = absorb_next_8_;
    absorb_next_8_ = false;
    if (code == 8 && absorb) return;   // "9, 8" and "11, 8": the erase already runs
    if (suppressed_) {
        ++counters_.timing_violations;
        return;
    }
    execute(code);
}

void Pic16Chip::execute(std::uint8_t code) {
    const int setup = erase_setup_;
    erase_setup_ = 0;
    switch (code) {
    case 0:
    case 2:
    case 3: break;   // the data frame follows
    case 4: out_word_ = read_program(pc_); break;
    case 5: out_word_ = read_data(pc_); break;
    case 6: increment_pc(); break;
    case 1: erase_setup_ = 1; break;
    case 7: erase_setup_ = setup == 1 ? 2 : 0; break;
    case 8:
        if (setup == 2) {
            if (pc_ == kConfigBase + 7) start_cycle(CycleKind::ChipErase, model_.chip_erase_us);
            else if (pc_ >= kConfigBase) start_cycle(CycleKind::NoEffect, model_.bulk_erase_us);
            else if (last_load_ == Load::Data) start_cycle(CycleKind::BulkData, model_.bulk_erase_us);
            else start_cycle(CycleKind::BulkProgram, model_.bulk_erase_us);
        } else {
            const std::uint32_t t = faults_.tprog_ms ? *faults_.tprog_ms * 1000 : model_.erase_program_us;
            start_cycle(CycleKind::EraseProgram, t);
        }
        break;
    case 24: {
        const std::uint32_t t = faults_.tprog_ms ? *faults_.tprog_ms * 1000 : model_.program_only_us;
        start_cycle(CycleKind::ProgramOnly, t);
        break;
    }
    case 9:
        start_cycle(CycleKind::BulkProgram, model_.bulk_erase_us);
        absorb_next_8_ = true;
        break;
    case 11:
        start_cycle(CycleKind::BulkData, model_.bulk_erase_us);
        absorb_next_8_ = true;
        break;
    default: break;   // not a command of these parts
    }
}

void Pic16Chip::finish_load() {
    const std::uint16_t value = std::uint16_t(shift_ & 0x3FFF);
    switch (command_) {
    case 0:
        pc_ = kConfigBase;
        latch_ = value;
        last_load_ = Load::Config;
        break;
    case 2:
        latch_ = value;
        last_load_ = Load::Program;
        break;
    case 3:
        latch_ = value & 0xFF;
        last_load_ = Load::Data;
        break;
    default: break;
    }
}

void Pic16Chip::increment_pc() {
    if (pc_ < kConfigBase) pc_ = std::uint16_t((pc_ + 1) & 0x1FFF);
    else pc_ = pc_ == 0x3FFF ? kConfigBase : std::uint16_t(pc_ + 1);
}

void Pic16Chip::start_cycle(CycleKind kind, std::uint32_t duration_us) {
    cycle_ = Cycle{kind, last_load_ == Load::Data, pc_, latch_, now_ + std::uint64_t(duration_us) * 1000};
}

std::uint16_t Pic16Chip::read_program(std::uint16_t address) const {
    if (address < kConfigBase) {
        const std::uint32_t a = address % model_.code_words;
        if (protection().code(a)) return 0x0000;
        return std::uint16_t(program_[a] & ~faults_.stuck_mask(a) & 0x3FFF);
    }
    // A stuck bit of an ID or configuration word is given by its address, as for program words.
    const std::uint16_t stuck = faults_.stuck_mask(address);
    switch (address) {
    case 0x2000:
    case 0x2001:
    case 0x2002:
    case 0x2003: return std::uint16_t(ids_[address - kConfigBase] & ~stuck);
    case 0x2006: return device_id_word();
    case 0x2007: return std::uint16_t((config_ | unimplemented_config_bits(model_)) & ~stuck);
    default: return 0x3FFF;   // reserved and unimplemented
    }
}

std::uint16_t Pic16Chip::read_data(std::uint16_t address) const {
    if (protection().data) return 0x0000;
    // Bits 8..13 of a data read are undefined; this chip gives ones.
    return std::uint16_t(0x3F00 | data_[address % model_.data_bytes]);
}

void Pic16Chip::write_program(std::uint16_t address, std::uint16_t value, bool erase_first) {
    auto put = [&](std::uint16_t& cell) { cell = erase_first ? value : std::uint16_t(cell & value); };
    if (address < kConfigBase) {
        const std::uint32_t a = address % model_.code_words;
        if (!protection().code(a)) put(program_[a]);
        return;
    }
    if (address < kConfigBase + 4) {
        put(ids_[address - kConfigBase]);
    } else if (address == kConfigBase + 7) {
        // Protection bits once programmed come back only through the removal sequence.
        if (protection().any()) config_ &= value;
        else put(config_);
        config_ |= unimplemented_config_bits(model_);
    }
}

void Pic16Chip::commit(const Cycle& c) {
    ++counters_.cycles_completed;
    switch (c.kind) {
    case CycleKind::EraseProgram:
    case CycleKind::ProgramOnly: {
        const bool erase = c.kind == CycleKind::EraseProgram;
        if (c.data_memory) {
            if (protection().data) break;
            std::uint8_t& cell = data_[c.address % model_.data_bytes];
            cell = erase ? std::uint8_t(c.value) : std::uint8_t(cell & c.value);
        } else {
            write_program(c.address, c.value, erase);
        }
        break;
    }
    case CycleKind::BulkProgram:
        if (protection().code_to == protection().code_from) std::fill(program_.begin(), program_.end(), 0x3FFF);
        break;
    case CycleKind::BulkData:
        if (!protection().data) std::fill(data_.begin(), data_.end(), 0xFF);
        break;
    case CycleKind::ChipErase: blank(); break;
    case CycleKind::NoEffect: break;
    }
}

std::vector<std::uint8_t> Pic16Chip::save_image() const {
    std::vector<std::uint8_t> out(kImageMagic, kImageMagic + 8);
    auto put16 = [&](std::uint16_t v) {
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(std::uint16_t(v));
        put16(std::uint16_t(v >> 16));
    };
    put32(model_.code_words);
    put32(model_.data_bytes);
    for (auto w : program_) put16(w);
    for (auto w : ids_) put16(w);
    put16(config_);
    out.insert(out.end(), data_.begin(), data_.end());
    return out;
}

bool Pic16Chip::load_image(const std::vector<std::uint8_t>& bytes) {
    const std::size_t want = 8 + 8 + 2 * model_.code_words + 2 * 4 + 2 + model_.data_bytes;
    if (bytes.size() != want || std::memcmp(bytes.data(), kImageMagic, 8) != 0) return false;
    std::size_t pos = 8;
    auto get16 = [&]() {
        const std::uint16_t v = std::uint16_t(bytes[pos] | (bytes[pos + 1] << 8));
        pos += 2;
        return v;
    };
    auto get32 = [&]() {
        const std::uint32_t lo = get16();
        return lo | (std::uint32_t(get16()) << 16);
    };
    if (get32() != model_.code_words || get32() != model_.data_bytes) return false;
    for (auto& w : program_) w = get16() & 0x3FFF;
    for (auto& w : ids_) w = get16() & 0x3FFF;
    config_ = get16() & 0x3FFF;
    std::copy(bytes.begin() + std::ptrdiff_t(pos), bytes.end(), data_.begin());
    return true;
}

} // namespace korvane::sim
