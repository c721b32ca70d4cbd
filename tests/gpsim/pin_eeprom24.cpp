#include "gpsim/pin_eeprom24.h"

namespace korvane::gpsim {

PinEeprom24::PinEeprom24(Eeprom24Geometry geometry, std::uint64_t write_cycles)
    : geometry_(geometry), write_cycles_(write_cycles), memory_(geometry.size, 0xFF) {}

void PinEeprom24::start() {
    if (state_ != State::Idle && state_ != State::Ignore && bit_ != 0 && bit_ != 8) ++bus_faults_;
    page_.clear();   // a START instead of the STOP drops the page
    state_ = State::Control;
    clocked_ = false;   // the START's own SCL fall is no bit
    bit_ = 0;
    shift_ = 0;
    drive_low_ = false;
}

void PinEeprom24::stop(std::uint64_t cycle) {
    if (state_ != State::Idle && state_ != State::Ignore && bit_ != 0 && bit_ != 8) ++bus_faults_;
    if (state_ == State::Write && !page_.empty()) {
        for (const auto& [a, v] : page_) memory_[a] = v;
        page_.clear();
        ++page_writes_;
        busy_until_ = cycle + write_cycles_;
    }
    state_ = State::Idle;
    drive_low_ = false;
}

bool PinEeprom24::byte_received(std::uint64_t cycle) {
    const std::uint8_t b = shift_;
    switch (state_) {
    case State::Control: {
        const bool block = geometry_.block_bits;
        // 1010, then the block bits or the chip-select pins (all low).
        const bool selected = (b & 0xF0) == 0xA0 && (block || (b & 0x0E) == 0);
        if (!selected || cycle < busy_until_) {
            state_ = State::Ignore;
            return false;
        }
        if (block) address_ = (address_ & 0xFF) | (std::size_t(b & 0x0E) << 7);
        if (b & 1) {
            state_ = State::Read;
        } else {
            state_ = State::Address;
            address_bytes_left_ = block ? 1 : 2;
        }
        return true;
    }
    case State::Address:
        if (address_bytes_left_ == 2)
            address_ = std::size_t(b) << 8;
        else
            address_ = (address_ & ~std::size_t(0xFF)) | b;
        address_ %= geometry_.size;
        if (--address_bytes_left_ == 0) state_ = State::Write;
        return true;
    case State::Write: {
        // The page buffer: the address rolls over within its page.
        page_.emplace_back(address_, b);
        const std::size_t base = address_ - address_ % geometry_.page;
        address_ = base + (address_ + 1) % geometry_.page;
        return true;
    }
    default:
        return false;
    }
}

void PinEeprom24::fall(std::uint64_t cycle) {
    switch (state_) {
    case State::Idle:
    case State::Ignore:
        drive_low_ = false;
        return;
    case State::Read:
        // bit_ counts the data bits out; the clock after them is the master's acknowledge,
        // which was also the clock of this chip's acknowledge of the read control byte.
        if (bit_ < 8) {
            ++bit_;
            drive_low_ = bit_ < 8 && !((shift_ >> (7 - bit_)) & 1);
        } else if (master_ack_) {
            bit_ = 0;
            shift_ = memory_[address_];
            address_ = (address_ + 1) % geometry_.size;
            drive_low_ = !(shift_ & 0x80);
        } else {
            state_ = State::Ignore;   // no acknowledge: the master ends the read
            drive_low_ = false;
        }
        return;
    default:
        if (bit_ < 7) {
            ++bit_;
        } else if (bit_ == 7) {
            bit_ = 8;
            drive_low_ = byte_received(cycle);
            if (state_ == State::Read) master_ack_ = true;   // the first byte follows this clock
        } else {   // the acknowledge clock is over
            bit_ = 0;
            shift_ = 0;
            drive_low_ = false;
        }
        return;
    }
}

bool PinEeprom24::start_or_stop_may_come() const {
    if (state_ == State::Idle || state_ == State::Ignore) return true;
    return state_ != State::Read && bit_ == 0;
}

bool PinEeprom24::update(std::uint64_t cycle, bool scl, bool sda) {
    const bool was_scl = scl_, was_sda = sda_;
    scl_ = scl;
    sda_ = sda;
    if (scl && was_scl) {
        // SDA moving while SCL is high: START or STOP, unless this chip holds SDA low.
        if (sda != was_sda && !drive_low_) {
            if (!sda) start();
            else stop(cycle);
        }
    } else if (scl) {   // rising: the master's bit, or its acknowledge of ours
        clocked_ = true;
        if (state_ == State::Read) {
            if (bit_ == 8) master_ack_ = !sda;
        } else if (bit_ < 8) {
            shift_ = std::uint8_t((shift_ << 1) | (sda ? 1 : 0));
        }
    } else if (was_scl && clocked_) {   // falling after a clock: on to the next bit
        clocked_ = false;
        fall(cycle);
    } else if (was_scl) {
        clocked_ = false;   // the START's own fall
    }
    return drive_low_;
}

} // namespace korvane::gpsim
