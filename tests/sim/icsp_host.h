#pragma once
// A minimal ICSP host written for these tests from the chips' own timing rules, so the simulator
// is checked against the programming protocol rather than against our production link.
#include <cstdint>
#include <memory>
#include <string>

#include "hardware/port_io.h"
#include "hardware/serial_port.h"
#include "sim/sim_bench.h"

namespace korvane::sim::test {

// The three programmer outputs and the one input.
class Lines {
public:
    virtual ~Lines() = default;
    virtual void data(bool high) = 0;   // DTR
    virtual void clock(bool high) = 0;  // RTS
    virtual void vpp(bool on) = 0;      // break
    virtual bool sense() = 0;           // CTS
};

class SerialLines final : public Lines {
public:
    explicit SerialLines(ISerialPort& p) : p_(p) {}
    void data(bool h) override { p_.set_dtr(h); }
    void clock(bool h) override { p_.set_rts(h); }
    void vpp(bool on) override { p_.set_break(on); }
    bool sense() override { return p_.cts(); }
private:
    ISerialPort& p_;
};

// Through the UART registers at 0x3F8: MCR bit 0 DTR, bit 1 RTS; LCR bit 6 break; MSR bit 4 CTS.
class UartLines final : public Lines {
public:
    explicit UartLines(IPortIO& io, std::uint16_t base = 0x3F8) : io_(io), base_(base) {
        io_.write_byte(base_ + 3, 0x03);
        io_.write_byte(base_ + 4, 0x00);
    }
    void data(bool h) override { set_mcr(0x01, h); }
    void clock(bool h) override { set_mcr(0x02, h); }
    void vpp(bool on) override { io_.write_byte(base_ + 3, on ? 0x43 : 0x03); }
    bool sense() override { return (io_.read_byte(base_ + 6) & 0x10) != 0; }
private:
    void set_mcr(std::uint8_t bit, bool on) {
        mcr_ = on ? std::uint8_t(mcr_ | bit) : std::uint8_t(mcr_ & ~bit);
        io_.write_byte(base_ + 4, mcr_);
    }
    IPortIO& io_;
    std::uint16_t base_;
    std::uint8_t mcr_ = 0;
};

// What both families share: entry with PGC and PGD low before VPP rises, and one clocked bit.
class IcspWire {
public:
    IcspWire(Lines& l, IClock& c) : l_(l), c_(c) {}

    void enter() {
        l_.vpp(false);
        l_.clock(false);
        l_.data(false);
        c_.busy_wait_us(10);
        l_.vpp(true);
        c_.busy_wait_us(10);
    }
    void leave() {
        l_.vpp(false);
        c_.busy_wait_us(10);
    }
    void pulse(bool bit) {
        l_.data(bit);
        l_.clock(true);
        c_.busy_wait_us(1);
        l_.clock(false);
        c_.busy_wait_us(1);
    }
    void wait_us(unsigned us) { c_.busy_wait_us(us); }
    void wait_ms(unsigned ms) { c_.sleep_ms(ms); }

protected:
    Lines& l_;
    IClock& c_;
};

class Icsp : public IcspWire {
public:
    using IcspWire::IcspWire;

    void command(std::uint8_t code) {
        for (int i = 0; i < 6; ++i) pulse((code >> i) & 1);
        c_.busy_wait_us(1);
    }
    // Start bit, 14 data bits LSB first, stop bit.
    void send(std::uint16_t word, bool framing_bits = false) {
        pulse(framing_bits);
        for (int i = 0; i < 14; ++i) pulse((word >> i) & 1);
        pulse(framing_bits);
    }
    // The host releases PGD (DTR high) and samples after each falling edge.
    std::uint16_t receive() {
        l_.data(true);
        std::uint16_t w = 0;
        for (int clk = 1; clk <= 16; ++clk) {
            l_.clock(true);
            c_.busy_wait_us(1);
            l_.clock(false);
            c_.busy_wait_us(1);
            if (clk >= 2 && clk <= 15 && l_.sense()) w |= std::uint16_t(1u << (clk - 2));
        }
        l_.data(false);
        return w;
    }

    void load_config(std::uint16_t v) { command(0); send(v); }
    void load_program(std::uint16_t v) { command(2); send(v); }
    void load_data(std::uint8_t v) { command(3); send(v); }
    std::uint16_t read_program() { command(4); return receive(); }
    std::uint8_t read_data() { command(5); return std::uint8_t(receive() & 0xFF); }
    void increment(int n = 1) { for (int i = 0; i < n; ++i) command(6); }
    // Load, begin erase/programming, wait.
    void program_word(std::uint16_t v, unsigned wait = 10) { load_program(v); command(8); wait_ms(wait); }
    void program_data(std::uint8_t v, unsigned wait = 10) { load_data(v); command(8); wait_ms(wait); }
    // The bulk-erase sequence after a load: 1, 7, 8, wait, 1, 7.
    void erase_sequence(unsigned wait = 10) {
        command(1);
        command(7);
        command(8);
        wait_ms(wait);
        command(1);
        command(7);
    }
};

// A bench of its own on the virtual clock, with a fresh state directory.
struct BenchFixtureEnv {
    static void set(const std::string& dir, const std::string& faults = "") {
        setenv("KORVANE_SIM_DIR", dir.c_str(), 1);
        setenv("KORVANE_SIM_CLOCK", "virtual", 1);
        if (faults.empty()) unsetenv("KORVANE_SIM");
        else setenv("KORVANE_SIM", faults.c_str(), 1);
    }
};

} // namespace korvane::sim::test
