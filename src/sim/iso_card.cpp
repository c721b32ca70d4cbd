#include "sim/iso_card.h"

#include <algorithm>

#include "trace/line_recorder.h"

namespace korvane::sim {

namespace {
constexpr std::uint64_t kClocksPerCycleNs = 4000000000ull;   // 4 oscillator clocks, in ns per Hz
} // namespace

IsoCard::IsoCard(CardWiring wiring, CardStartup startup, std::unique_ptr<I2cEeprom> eeprom)
    : wiring_(wiring), startup_(startup), eeprom_(std::move(eeprom)) {}

IsoCard::~IsoCard() = default;

void IsoCard::attach_core(const CoreFactory& make, std::uint32_t clock_hz) {
    clock_hz_ = clock_hz;
    core_ = make(*this, double(osc_hz()) / 4);
}

std::uint64_t IsoCard::cycle_time(std::uint64_t cycle) const {
    const std::uint64_t f = osc_hz();
    return origin_ns_ + (cycle / f) * kClocksPerCycleNs + (cycle % f) * kClocksPerCycleNs / f;
}

std::uint64_t IsoCard::cycles_until(std::uint64_t t) const {
    if (t <= origin_ns_) return 0;
    const std::uint64_t dt = t - origin_ns_, f = osc_hz();
    return (dt / kClocksPerCycleNs) * f + ((dt % kClocksPerCycleNs) * f + kClocksPerCycleNs - 1) / kClocksPerCycleNs;
}

bool IsoCard::running() const { return powered_ && (!rst_low_ || !startup_.mclr_pin); }

void IsoCard::set_clock_hz(std::uint32_t hz, std::uint64_t now_ns) {
    if (hz == 0 || hz == clock_hz_) return;
    if (startup_.internal_osc_hz || !running()) {
        clock_hz_ = hz;
        core_->set_instruction_hz(double(osc_hz()) / 4);
        return;
    }
    // The cycles run so far keep their times; the new clock counts from now.
    const std::uint64_t done = core_->cycles();
    const std::uint64_t now = std::max(now_ns, cycle_time(done));
    clock_hz_ = hz;
    core_->set_instruction_hz(double(osc_hz()) / 4);
    const std::uint64_t span = cycle_time(done) - origin_ns_;
    origin_ns_ = now > span ? now - span : 0;
}

void IsoCard::set_power(bool on, std::uint64_t now_ns) {
    if (on == powered_) return;
    powered_ = on;
    origin_ns_ = now_ns;
    if (on) {
        power_on_ns_ = now_ns;
        core_->reset(CoreReset::PowerOn);
        if (!startup_.mclr_pin || !rst_low_) release(now_ns);
    } else if (io_low_) {
        io_low_ = false;
        if (on_io) on_io(now_ns, false);
    }
    sda_low_ = false;
    scl_high_ = true;
    eeprom_pins(now_ns);
}

void IsoCard::set_rst_low(bool low, std::uint64_t now_ns) {
    if (low == rst_low_) return;
    rst_low_ = low;
    if (!powered_ || !startup_.mclr_pin) return;
    if (low) {
        ++resets_;
        origin_ns_ = now_ns;
        core_->reset(CoreReset::Mclr);
    } else {
        release(now_ns);
    }
}

// The program starts when MCLR is high and the power-up delays are over.
void IsoCard::release(std::uint64_t now_ns) { origin_ns_ = std::max(now_ns, power_on_ns_ + startup_.power_up_ns); }

std::uint64_t IsoCard::run_until(std::uint64_t t) {
    if (!running() || t <= origin_ns_) return t;
    core_->run(cycles_until(t));
    return cycle_time(core_->cycles());
}

void IsoCard::stop() {
    if (core_) core_->stop();
}

bool IsoCard::sda_level() const { return !sda_low_ && !(eeprom_ && eeprom_->pulls_sda_low()); }

void IsoCard::eeprom_pins(std::uint64_t t) {
    if (!eeprom_) return;
    const bool pulled = eeprom_->pulls_sda_low();
    eeprom_->update(powered_, scl_high_, sda_level(), t);
    // The chip's own pull is part of the line: tell it the line as it is now.
    if (eeprom_->pulls_sda_low() != pulled) eeprom_->update(powered_, scl_high_, sda_level(), t);
    trace::LineRecorder& recorder = trace::LineRecorder::instance();
    if (recorder.on()) {
        if (trace_io_to) trace_io_to(t);
        recorder.set(trace::Line::CardEeScl, scl_high_, t);
        recorder.set(trace::Line::CardEeSda, sda_level(), t);
    }
}

std::uint8_t IsoCard::read_port(int port, std::uint64_t cycle) {
    const std::size_t p = std::size_t(port);
    // Outputs read what they drive; inputs with nothing on them read low.
    std::uint8_t v = p < latch_.size() ? std::uint8_t(latch_[p] & ~tris_[p]) : 0;
    auto put = [&](int bit, bool high) {
        v = std::uint8_t(high ? (v | (1u << bit)) : (v & ~(1u << bit)));
    };
    if (port == wiring_.io_port) put(wiring_.io_bit, !io_low_ && (!host_io || host_io(cycle_time(cycle))));
    if (port == wiring_.sda_port) put(wiring_.sda_bit, sda_level());
    if (port == wiring_.scl_port) put(wiring_.scl_bit, scl_high_);
    return v;
}

void IsoCard::drive_changed(int port, std::uint8_t latch, std::uint8_t tris, std::uint64_t cycle) {
    auto drives_low = [&](int bit) { return !((tris >> bit) & 1) && !((latch >> bit) & 1); };
    const std::uint64_t t = cycle_time(cycle);
    if (std::size_t(port) < latch_.size()) {
        latch_[std::size_t(port)] = latch;
        tris_[std::size_t(port)] = tris;
    }
    if (port == wiring_.io_port) {
        // Driving the pin high is as good as releasing it: the reader's pull-up holds it high.
        const bool low = drives_low(wiring_.io_bit);
        if (low != io_low_) {
            io_low_ = low;
            if (on_io) on_io(t, low);
        }
    }
    bool bus_changed = false;
    if (port == wiring_.sda_port) {
        const bool low = drives_low(wiring_.sda_bit);
        bus_changed |= low != sda_low_;
        sda_low_ = low;
    }
    if (port == wiring_.scl_port) {
        const bool high = ((tris >> wiring_.scl_bit) & 1) || ((latch >> wiring_.scl_bit) & 1);
        bus_changed |= high != scl_high_;
        scl_high_ = high;
    }
    if (bus_changed && powered_) eeprom_pins(t);
}

} // namespace korvane::sim
