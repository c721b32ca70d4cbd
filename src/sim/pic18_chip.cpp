#include "sim/pic18_chip.h"

namespace korvane::sim {

namespace {
constexpr std::uint32_t kConfigWritePc = 0x100000;   // the host's GOTO 0x100000 before configuration writes

bool reads_out(std::uint8_t code) { return code == 2 || (code >= 8 && code <= 11); }
} // namespace

Pic18Chip::Pic18Chip(const Pic18Model& model, const SimFaults& faults, SimCounters& counters)
    : model_(model), faults_(faults), counters_(counters), memory_(model, faults), core_(model, memory_),
      p9_ns_(std::uint64_t(faults.tprog_ms ? *faults.tprog_ms * 1000 : model.p9_us) * 1000) {
    if (faults.tprog_ms) core_.set_eeprom_write_us(*faults.tprog_ms * 1000);
    core_.set_external_access(true);
}

std::optional<bool> Pic18Chip::data_drive() const {
    if (!powered_ || !prog_mode_) return std::nullopt;
    return drive_;
}

void Pic18Chip::settle(std::uint64_t now_ns) {
    if (!prog_mode_) return;
    close_windows(now_ns, false);
    core_.set_now_ns(now_ns);
}

void Pic18Chip::pins_changed(const Pins& p, std::uint64_t now_ns) {
    settle(now_ns);
    if (!p.power) {
        if (powered_ && prog_mode_) leave(now_ns);
        powered_ = false;
        prev_ = p;
        return;
    }
    if (!powered_) {
        // Powering up with VPP already applied is no rising edge: the part stays out of programming mode.
        powered_ = true;
        prog_mode_ = false;
        prev_ = p;
        return;
    }
    if (p.vpp != prev_.vpp) {
        if (!p.vpp) {
            if (prog_mode_) leave(now_ns);
        } else if (!p.clock && !p.data) {
            enter();
        } else {
            ++counters_.refused_entries;
        }
    } else if (prog_mode_ && p.clock != prev_.clock) {
        if (p.clock) rising(now_ns);
        else falling(p.data, now_ns);
    }
    prev_ = p;
}

void Pic18Chip::enter() {
    prog_mode_ = true;
    core_.reset(Pic18Reset::PowerOn);
    phase_ = Phase::Command;
    clocks_ = 0;
    shift_ = 0;
    drive_.reset();
    write_ = Write::None;
    erase_ = Erase::None;
    ++counters_.mode_entries;
}

void Pic18Chip::leave(std::uint64_t now) {
    close_windows(now, true);
    if (write_ != Write::None && write_ != Write::Armed) ++counters_.timing_violations;
    if (core_.eeprom_write_busy()) ++counters_.timing_violations;   // MCLR low cuts the write short
    core_.reset(Pic18Reset::Mclr);
    write_ = Write::None;
    erase_ = Erase::None;
    prog_mode_ = false;
    drive_.reset();
}

void Pic18Chip::close_windows(std::uint64_t now, bool edge) {
    if (write_ == Write::Discharging) {
        if (now - write_since_ >= model_.p10_ns) {
            write_ = Write::None;
            if (pending_.config) core_.flash().write_config(pending_.address, pending_.value);
            else core_.flash().program(pending_.address, true);
            ++counters_.cycles_completed;
        } else if (edge) {
            // Clocked on before the programming voltage was discharged: the write is spoilt.
            write_ = Write::None;
            core_.flash().discard();
            ++counters_.timing_violations;
        }
    }
    if (erase_ == Erase::Erasing) {
        if (now - erase_since_ >= std::uint64_t(model_.p11_us) * 1000) {
            erase_ = Erase::None;
            if (core_.flash().bulk_erase(erase_code_)) ++counters_.cycles_completed;
        } else if (edge) {
            erase_ = Erase::None;
            ++counters_.timing_violations;
        }
    }
}

void Pic18Chip::rising(std::uint64_t now) {
    close_windows(now, true);
    ++clocks_;
    if (phase_ == Phase::Command) {
        if (clocks_ == 4 && write_ == Write::Armed) {
            write_ = Write::Held;
            write_since_ = now;
        }
        return;
    }
    if (reads_out(command_) && clocks_ >= 9) drive_ = ((out_byte_ >> (clocks_ - 9)) & 1) != 0;
}

void Pic18Chip::falling(bool data, std::uint64_t now) {
    if (clocks_ == 0) return;
    if (data) shift_ |= 1u << (clocks_ - 1);
    if (phase_ == Phase::Command) {
        if (clocks_ < 4) return;
        if (write_ == Write::Held) {
            if (now - write_since_ >= p9_ns_) {
                write_ = Write::Discharging;
                write_since_ = now;
            } else {
                // The clock came down before the cells were programmed: they keep their old values.
                write_ = Write::None;
                core_.flash().discard();
                ++counters_.timing_violations;
            }
        }
        decode(std::uint8_t(shift_ & 0x0F), now);
        return;
    }
    if (clocks_ < 16) return;
    drive_.reset();
    const std::uint16_t payload = std::uint16_t(shift_);
    phase_ = Phase::Command;
    clocks_ = 0;
    shift_ = 0;
    finish_payload(payload);
}

void Pic18Chip::decode(std::uint8_t code, std::uint64_t now) {
    ++counters_.commands;
    command_ = code;
    phase_ = Phase::Payload;
    clocks_ = 0;
    shift_ = 0;
    switch (erase_) {
    case Erase::Requested: erase_ = code == 0 ? Erase::NopSent : Erase::None; break;
    case Erase::NopSent:
        erase_ = code == 0 ? Erase::Erasing : Erase::None;
        erase_since_ = now;
        break;
    default: break;
    }
    core_.set_now_ns(now);
    if (code == 2) out_byte_ = core_.tablat();
    else if (code >= 8 && code <= 11) out_byte_ = core_.table_read(TableMode(code - 8));
}

void Pic18Chip::finish_payload(std::uint16_t payload) {
    switch (command_) {
    case 0: core_.execute(payload); break;
    case 12:
        core_.table_write_word(payload, TableMode::Plain);
        if (auto code = core_.flash().take_erase_request()) {
            erase_code_ = *code;
            erase_ = Erase::Requested;
        }
        break;
    case 13: core_.table_write_word(payload, TableMode::PostIncrement); break;
    case 14: core_.table_write_word(payload, TableMode::PostDecrement); break;
    case 15: start_programming(payload); break;
    default: break;   // 2 and 8..11 shifted their byte out; the others are no commands of these parts
    }
}

void Pic18Chip::start_programming(std::uint16_t payload) {
    const std::uint8_t eecon1 = core_.peek(sfr::EECON1);
    const std::uint32_t address = core_.tblptr();
    if (!(eecon1 & 0x80)) return;   // EEPGD clear: there is no flash to program
    if (eecon1 & 0x40) {
        // Configuration space: one byte, from the payload half that matches the address.
        if (address < kConfigBase || address >= kConfigBase + kConfigBytes || core_.pc() < kConfigWritePc) return;
        pending_ = {true, address, std::uint8_t(address & 1 ? payload >> 8 : payload)};
    } else {
        core_.table_write_word(payload, TableMode::Plain);
        pending_ = {false, address, 0};
    }
    write_ = Write::Armed;
}

} // namespace korvane::sim
