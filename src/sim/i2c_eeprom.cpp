#include "sim/i2c_eeprom.h"

namespace korvane::sim {

I2cEeprom::I2cEeprom(const Eeprom24Model& model, const SimFaults& faults, SimCounters* counters)
    : model_(model), faults_(faults), counters_(counters) {
    blank();
}

void I2cEeprom::blank() { memory_.assign(model_.size, 0xFF); }

bool I2cEeprom::load_memory(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != model_.size) return false;
    memory_ = bytes;
    return true;
}

std::uint64_t I2cEeprom::write_cycle_ns() const {
    if (faults_.twr_ms) return std::uint64_t(*faults_.twr_ms) * 1000000u;
    return std::uint64_t(model_.write_cycle_us) * 1000u;
}

std::uint8_t I2cEeprom::read_cell(std::uint32_t address) const {
    return std::uint8_t(memory_[address] & ~faults_.stuck_mask(address));
}

void I2cEeprom::settle(std::uint64_t now_ns) {
    if (!cycle_ || now_ns < cycle_->done_ns) return;
    for (const auto& [a, v] : cycle_->writes) memory_[a] = v;
    cycle_.reset();
    if (counters_) ++counters_->cycles_completed;
}

void I2cEeprom::power_down() {
    if (cycle_) {
        // The supply went before the cell write had run its time: the page is not written.
        cycle_.reset();
        if (counters_) ++counters_->timing_violations;
    }
    powered_ = false;
    state_ = State::Idle;
    pull_low_ = false;
    page_.clear();
}

void I2cEeprom::update(bool power, bool scl, bool sda, std::uint64_t now_ns) {
    settle(now_ns);
    if (!power) {
        if (powered_) power_down();
        return;
    }
    if (!powered_) {
        // Coming up, the chip waits for a START; lines already low are no edges.
        powered_ = true;
        scl_ = scl;
        sda_ = sda;
        return;
    }
    const bool scl_changed = scl != scl_;
    const bool sda_changed = sda != sda_;
    if (scl_changed && sda_changed) ++simultaneous_;
    if (scl_changed && !scl) {
        scl_ = false;
        falling(now_ns);
    }
    if (sda_changed) {
        sda_ = sda;
        if (scl_) {
            if (sda) stop(now_ns);
            else start();
        }
    }
    if (scl_changed && scl) {
        scl_ = true;
        rising();
    }
}

void I2cEeprom::start() {
    // Whatever was going on is dropped, an unfinished page write with it.
    state_ = State::Control;
    bits_ = 0;
    shift_ = 0;
    pull_low_ = false;
    page_.clear();
}

void I2cEeprom::stop(std::uint64_t now_ns) {
    // The write starts only when the STOP follows a data byte's ACK, before the next byte's
    // second clock; a STOP inside a byte ends the transaction without writing.
    const bool write = state_ == State::WriteData && bits_ <= 1 && !page_.empty();
    state_ = State::Idle;
    pull_low_ = false;
    if (!write || faults_.wp) {
        page_.clear();
        return;
    }
    cycle_ = Cycle{now_ns + write_cycle_ns(), std::move(page_)};
    page_.clear();
    settle(now_ns);
}

void I2cEeprom::rising() {
    if (state_ == State::Idle || state_ == State::Ignore) return;
    ++bits_;
    if (state_ == State::ReadData) {
        if (bits_ == 9) master_ack_ = !sda_;
        return;
    }
    if (bits_ <= 8) shift_ = std::uint8_t((shift_ << 1) | (sda_ ? 1 : 0));
}

void I2cEeprom::falling(std::uint64_t now_ns) {
    if (state_ == State::Idle || state_ == State::Ignore || bits_ == 0) return;
    if (state_ == State::ReadData) {
        if (bits_ < 8) {
            drive_bit();
        } else if (bits_ == 8) {
            pull_low_ = false;   // the master's ACK slot
        } else {
            if (master_ack_) {
                send_next_byte();
            } else {
                state_ = State::Ignore;   // NACK: the read ends, the chip waits for STOP or START
            }
        }
        return;
    }
    if (bits_ == 8) {
        ack_ = wants(shift_, now_ns);
        pull_low_ = ack_;
    } else if (bits_ == 9) {
        pull_low_ = false;
        bits_ = 0;
        const std::uint8_t b = shift_;
        shift_ = 0;
        if (ack_) accept(b);
        else state_ = State::Ignore;
    }
}

bool I2cEeprom::wants(std::uint8_t b, std::uint64_t now_ns) {
    if (state_ != State::Control) return true;
    if ((b >> 4) != 0xA) return false;
    const std::uint8_t select = (b >> 1) & 7;
    const std::uint8_t block_mask = std::uint8_t((1u << model_.block_bits) - 1);
    if ((select & ~block_mask) != 0) return false;   // the socket's chip-select pins are low
    if (counters_) ++counters_->commands;
    if (faults_.noack) return false;
    if (busy(now_ns)) {
        ++busy_refusals_;
        return false;
    }
    return true;
}

void I2cEeprom::accept(std::uint8_t b) {
    const std::uint32_t mask = model_.size - 1;
    switch (state_) {
    case State::Control: {
        const std::uint8_t block = std::uint8_t((b >> 1) & ((1u << model_.block_bits) - 1));
        if (b & 1) {
            // A read: the block bits name the 256-byte block the address counter reads in.
            if (model_.block_bits) address_ = ((std::uint32_t(block) << 8) | (address_ & 0xFF)) & mask;
            state_ = State::ReadData;
            send_next_byte();
        } else {
            block_ = block;
            state_ = model_.address_bytes == 2 ? State::AddressHigh : State::AddressLow;
        }
        break;
    }
    case State::AddressHigh:
        address_high_ = b;
        state_ = State::AddressLow;
        break;
    case State::AddressLow: {
        const std::uint32_t high = model_.address_bytes == 2 ? address_high_ : block_;
        address_ = ((high << 8) | b) & mask;
        state_ = State::WriteData;
        page_.clear();
        break;
    }
    case State::WriteData: {
        page_.emplace_back(address_, b);
        const std::uint32_t page_mask = model_.page_size - 1u;
        address_ = (address_ & ~page_mask) | ((address_ + 1) & page_mask);
        break;
    }
    default:
        break;
    }
}

void I2cEeprom::send_next_byte() {
    shift_ = read_cell(address_);
    address_ = (address_ + 1) & (model_.size - 1);
    bits_ = 0;
    drive_bit();
}

void I2cEeprom::drive_bit() {
    // Bits go out MSB first; bits_ clocks of this byte have been sent.
    pull_low_ = ((shift_ >> (7 - bits_)) & 1) == 0;
}

} // namespace korvane::sim
