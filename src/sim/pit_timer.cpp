#include "sim/pit_timer.h"

namespace korvane::sim {

std::uint64_t PitTimer::ticks_since_load() {
    std::uint64_t ns = active_ns_;
    if (gate_) ns += clock_->now_ns() - since_ns_;
    return (ns / 1000000000) * kInputHz + (ns % 1000000000) * kInputHz / 1000000000;
}

void PitTimer::set_gate(bool on) {
    const std::uint64_t now = clock_->now_ns();
    if (gate_ && !on) active_ns_ += now - since_ns_;
    if (!gate_ && on) since_ns_ = now;
    gate_ = on;
}

std::uint16_t PitTimer::count() {
    if (!loaded_) return std::uint16_t(initial_);
    std::uint64_t t = ticks_since_load();
    // The first input pulse after the write moves the count into the counter.
    if (t == 0) return std::uint16_t(initial_);
    t -= 1;
    if (mode_ == 2 || mode_ == 3) return std::uint16_t(initial_ - t % initial_);
    return std::uint16_t((initial_ - (t & 0xFFFF)) & 0xFFFF);
}

bool PitTimer::out2() {
    if (mode_ != 0) {
        if (!loaded_) return true;
        std::uint64_t t = ticks_since_load();
        return mode_ == 3 ? (t % initial_) < (initial_ + 1) / 2 : true;
    }
    if (!loaded_) return false;
    std::uint64_t t = ticks_since_load();
    return t > initial_;   // high once the count has reached zero, and stays high
}

void PitTimer::write_command(std::uint8_t value) {
    if ((value >> 6) != 2) return;   // channels 0 and 1 and read-back are not modelled
    const std::uint8_t access = (value >> 4) & 3;
    if (access == 0) {
        if (!latched_) {
            latch_value_ = count();
            latched_ = true;
            read_high_next_ = false;
        }
        return;
    }
    access_ = access;
    mode_ = (value >> 1) & 7;
    if (mode_ > 5) mode_ -= 4;   // 6 and 7 are aliases of 2 and 3
    loaded_ = false;             // counting stops until a new count is written
    write_high_next_ = false;
    latched_ = false;
    read_high_next_ = false;
}

void PitTimer::write_channel2(std::uint8_t value) {
    std::uint32_t n;
    if (access_ == 1) {
        n = value;
    } else if (access_ == 2) {
        n = std::uint32_t(value) << 8;
    } else if (!write_high_next_) {
        pending_low_ = value;
        write_high_next_ = true;
        return;
    } else {
        n = pending_low_ | (std::uint32_t(value) << 8);
        write_high_next_ = false;
    }
    initial_ = n == 0 ? 0x10000 : n;
    loaded_ = true;
    active_ns_ = 0;
    since_ns_ = clock_->now_ns();
}

std::uint8_t PitTimer::read_channel2() {
    const std::uint16_t v = latched_ ? latch_value_ : count();
    std::uint8_t out;
    if (access_ == 1) {
        out = std::uint8_t(v);
        latched_ = false;
    } else if (access_ == 2) {
        out = std::uint8_t(v >> 8);
        latched_ = false;
    } else if (!read_high_next_) {
        out = std::uint8_t(v);
        read_high_next_ = true;
    } else {
        out = std::uint8_t(v >> 8);
        read_high_next_ = false;
        latched_ = false;
    }
    return out;
}

std::uint8_t PitTimer::read_port_b() {
    // Bit 4 is the refresh toggle (about every 15 us), bit 5 the timer's OUT2.
    const bool refresh = (clock_->now_ns() / 15085) & 1;
    return std::uint8_t((port_b_ & 0x0F) | (refresh ? 0x10 : 0) | (out2() ? 0x20 : 0));
}

void PitTimer::write_port_b(std::uint8_t value) {
    port_b_ = value;
    set_gate((value & 1) != 0);
}

} // namespace korvane::sim
