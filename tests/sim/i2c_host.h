#pragma once
// A tiny I2C master written for these tests from the bus rules alone (not our production bus),
// driving the Lines of icsp_host.h: data = SDA, clock = SCL, vpp = the EEPROM's supply, sense
// reads SDA. Plus lines wired straight to a lone I2cEeprom, without the board.
#include <cstdint>
#include <vector>

#include "icsp_host.h"
#include "sim/i2c_eeprom.h"

namespace korvane::sim::test {

// SDA is a wired AND of the master's output and the chip's pull.
class PinLines final : public Lines {
public:
    PinLines(I2cEeprom& chip, SimClock& clock) : chip_(chip), clock_(clock) {}
    void data(bool h) override { sda_ = h; apply(); }
    void clock(bool h) override { scl_ = h; apply(); }
    void vpp(bool on) override { power_ = on; apply(); }
    bool sense() override { return line(); }
    // SCL and SDA changed in one step, as one port write would.
    void both(bool scl, bool sda) { scl_ = scl; sda_ = sda; apply(); }

private:
    bool line() const { return sda_ && !chip_.pulls_sda_low(); }
    void apply() {
        for (int round = 0; round < 3; ++round) {
            const bool before = chip_.pulls_sda_low();
            chip_.update(power_, scl_, line(), clock_.now_ns());
            if (chip_.pulls_sda_low() == before) break;
        }
    }
    I2cEeprom& chip_;
    SimClock& clock_;
    bool power_ = false, scl_ = true, sda_ = true;
};

class I2cMaster {
public:
    I2cMaster(Lines& l, IClock& c) : l_(l), c_(c) {}

    void power_up() {
        l_.data(true);
        l_.clock(true);
        l_.vpp(true);
        c_.busy_wait_us(100);
    }
    void start() {
        l_.data(true);
        l_.clock(true);
        wait();
        l_.data(false);
        wait();
        l_.clock(false);
        wait();
    }
    void stop() {
        l_.data(false);
        l_.clock(true);
        wait();
        l_.data(true);
        wait();
    }
    // One clock with SDA as given; returns SDA as seen while SCL was high.
    bool clock_bit(bool sda) {
        l_.data(sda);
        wait();
        l_.clock(true);
        wait();
        const bool seen = l_.sense();
        l_.clock(false);
        wait();
        return seen;
    }
    // Eight bits MSB first and the ACK slot: true when the chip acknowledged.
    bool write(std::uint8_t b) {
        for (int i = 7; i >= 0; --i) clock_bit((b >> i) & 1);
        return !clock_bit(true);
    }
    std::uint8_t read(bool ack) {
        std::uint8_t b = 0;
        for (int i = 0; i < 8; ++i) b = std::uint8_t((b << 1) | (clock_bit(true) ? 1 : 0));
        clock_bit(!ack);
        return b;
    }

    // START, then each byte while the chip acknowledges; how many were acknowledged.
    int send(const std::vector<std::uint8_t>& bytes) {
        start();
        int acked = 0;
        for (auto b : bytes) {
            if (!write(b)) break;
            ++acked;
        }
        return acked;
    }
    // A whole write transaction ending in STOP; true when every byte was acknowledged.
    bool write_transaction(const std::vector<std::uint8_t>& bytes) {
        const bool all = send(bytes) == int(bytes.size());
        stop();
        return all;
    }
    // Acknowledge polling: START + control byte until ACK; the number of polls, or -1.
    int poll(std::uint8_t control, int max_polls, unsigned wait_us = 100) {
        for (int n = 1; n <= max_polls; ++n) {
            start();
            const bool ack = write(control);
            stop();
            if (ack) return n;
            c_.busy_wait_us(wait_us);
        }
        return -1;
    }
    // A read of n bytes from the current address with `control` (R/W set), ending NACK + STOP.
    std::vector<std::uint8_t> read_current(std::uint8_t control, std::size_t n) {
        std::vector<std::uint8_t> out;
        start();
        if (write(control)) {
            for (std::size_t i = 0; i < n; ++i) out.push_back(read(i + 1 < n));
        }
        stop();
        return out;
    }
    // Dummy write of the address bytes, repeated START, sequential read.
    std::vector<std::uint8_t> read_random(const std::vector<std::uint8_t>& address, std::size_t n) {
        std::vector<std::uint8_t> out;
        if (send(address) != int(address.size())) {
            stop();
            return out;
        }
        return read_current(std::uint8_t(address[0] | 1), n);
    }

private:
    void wait() { c_.busy_wait_us(5); }
    Lines& l_;
    IClock& c_;
};

} // namespace korvane::sim::test
