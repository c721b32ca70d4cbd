#include "fakes.h"

#include <cmath>
#include <cstdio>

namespace korvane::test {

namespace {
// A port access as the trace shows it: "W 3FC=01".
std::string access(char kind, unsigned port, unsigned value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%c %03X=%02X", kind, port, value & 0xFFu);
    return buf;
}
} // namespace

void FakeClock::busy_wait_us(std::uint32_t n) {
    busy_waits.push_back(n);
    if (trace_) trace_->push_back("us " + std::to_string(n));
    now_ += n;
}

void FakeClock::sleep_ms(std::uint32_t n) {
    if (trace_) trace_->push_back("sleep " + std::to_string(n));
    now_ += std::uint64_t(n) * 1000;
}

std::unique_ptr<ISerialPort> FakeSerialSystem::open(const std::string& port_name, std::string& error) {
    if (trace_) trace_->push_back("open " + port_name);
    if (fail_open) {
        error = open_error;
        return nullptr;
    }
    return std::make_unique<FakeSerialPort>(*this, trace_);
}

FakeSerialPort::~FakeSerialPort() {
    log("close");
    --sys_.open_ports;
}

bool FakeSerialPort::restore_saved_settings() {
    log("restore");
    ++sys_.lines.restores;
    return true;
}

bool FakeSerialPort::set_line(const char* name, bool& line, bool on) {
    log(name + std::string(on ? "1" : "0"));
    line = on;
    return true;
}

bool FakeSerialPort::cts() {
    log("CTS?");
    return sys_.lines.cts;
}

bool FakeSerialPort::purge() {
    log("purge");
    return true;
}

bool FakeSerialPort::configure(const SerialSettings& s) {
    log("configure " + std::to_string(s.baud) + " " + std::to_string(s.data_bits) +
        (s.parity == Parity::None ? "N" : s.parity == Parity::Odd ? "O" : "E") + std::to_string(s.stop_bits));
    return !sys_.fail_configure;
}

bool FakeSerialPort::set_timeouts(const SerialTimeouts& t) {
    log("timeouts " + std::to_string(t.read_interval_ms) + "/" + std::to_string(t.read_total_ms) + "/" +
        std::to_string(t.write_total_ms));
    return true;
}

std::uint16_t FakePortIO::pit_count() {
    const double elapsed = clock_ ? double(clock_->now_us() - pit_start_us_) : 0.0;
    const auto counts = std::uint64_t(elapsed * 1.193182);
    return std::uint16_t(std::int64_t(pit_initial_) - std::int64_t(counts));
}

std::uint8_t FakePortIO::read_byte(std::uint16_t port) {
    ++accesses;
    if (clock_) clock_->advance_us(access_us);
    std::uint8_t v = regs.count(port) ? regs[port] : 0;
    if (port == 0x42) v = std::uint8_t(pit_latched_);
    if (log_reads && trace_) trace_->push_back(access('R', port, v));
    return v;
}

void FakePortIO::write_byte(std::uint16_t port, std::uint8_t value) {
    ++accesses;
    if (clock_) clock_->advance_us(access_us);
    if (trace_) trace_->push_back(access('W', port, value));
    if (port == 0x42) {
        pit_initial_ = value;
        pit_start_us_ = clock_ ? clock_->now_us() : 0;
    } else if (port == 0x43 && value == 0x80) {
        pit_latched_ = pit_count();
    }
    regs[port] = value;
}

} // namespace korvane::test
