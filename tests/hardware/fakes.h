#pragma once
// Recording fakes of the three seams. Every call leaves one line in a shared trace so a test can
// compare the waveform as a list of events.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/recording_host.h"
#include "hardware/clock.h"
#include "hardware/port_io.h"
#include "hardware/serial_port.h"

namespace korvane::test {

using Trace = std::vector<std::string>;

class FakeClock : public IClock {
public:
    explicit FakeClock(Trace* trace = nullptr) : trace_(trace) {}
    std::uint64_t now_us() override { return now_; }
    void busy_wait_us(std::uint32_t n) override;
    void sleep_ms(std::uint32_t n) override;
    std::uint64_t timestamp() override { return std::uint64_t(double(now_) * ticks_per_us); }
    void advance_us(std::uint64_t n) { now_ += n; }
    double ticks_per_us = 1000.0;
    std::vector<std::uint32_t> busy_waits;
private:
    Trace* trace_;
    std::uint64_t now_ = 1000000;
};

class FakeSerialPort;

// Remembers the levels the port's lines are at, as a device would see them.
struct LineState {
    bool dtr = false, rts = false, brk = false, cts = false;
    int restores = 0;
};

class FakeSerialSystem : public ISerialSystem {
public:
    explicit FakeSerialSystem(Trace* trace) : trace_(trace) {}
    std::unique_ptr<ISerialPort> open(const std::string& port_name, std::string& error) override;
    bool fail_open = false;
    std::string open_error = "No such file or directory";
    bool fail_configure = false;
    LineState lines;
    int open_ports = 0;
private:
    Trace* trace_;
};

class FakeSerialPort : public ISerialPort {
public:
    FakeSerialPort(FakeSerialSystem& sys, Trace* trace) : sys_(sys), trace_(trace) { ++sys_.open_ports; }
    ~FakeSerialPort() override;
    bool restore_saved_settings() override;
    bool set_dtr(bool on) override { return set_line("DTR", sys_.lines.dtr, on); }
    bool set_rts(bool on) override { return set_line("RTS", sys_.lines.rts, on); }
    bool set_break(bool on) override { return set_line("BRK", sys_.lines.brk, on); }
    bool cts() override;
    bool purge() override;
    bool configure(const SerialSettings& s) override;
    bool set_timeouts(const SerialTimeouts& t) override;
    std::size_t read(std::uint8_t*, std::size_t) override { return 0; }
    std::size_t write(const std::uint8_t*, std::size_t n) override { return n; }
    std::size_t available() override { return 0; }
private:
    bool set_line(const char* name, bool& line, bool on);
    void log(const std::string& s) { if (trace_) trace_->push_back(s); }
    FakeSerialSystem& sys_;
    Trace* trace_;
};

// The UART registers as a model that keeps what was written; MSR bit 4 is the CTS input. Also a
// PC timer channel 2 that counts down on the fake clock at 1.193182 MHz.
class FakePortIO : public IPortIO {
public:
    FakePortIO(Trace* trace, FakeClock* clock = nullptr) : trace_(trace), clock_(clock) {}
    std::uint8_t read_byte(std::uint16_t port) override;
    void write_byte(std::uint16_t port, std::uint8_t value) override;
    std::uint16_t read_word(std::uint16_t port) override { return read_byte(port); }
    void write_word(std::uint16_t port, std::uint16_t value) override { write_byte(port, std::uint8_t(value)); }
    bool driver_ready() const override { return ready; }
    bool direct() const override { return ready; }
    void enable_direct(bool on) override { ready = on; }
    std::string last_error() const override { return {}; }

    bool ready = true;
    bool log_reads = false;
    std::map<std::uint16_t, std::uint8_t> regs;
    int accesses = 0;
    // Each port access takes this long on the fake clock.
    std::uint32_t access_us = 1;
private:
    std::uint16_t pit_count();
    Trace* trace_;
    FakeClock* clock_;
    std::uint64_t pit_start_us_ = 0;
    std::uint8_t pit_initial_ = 0;
    std::uint16_t pit_latched_ = 0;
};

} // namespace korvane::test
