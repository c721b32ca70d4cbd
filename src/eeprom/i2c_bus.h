#pragma once
// The I2C master over the programmer lines (module I2C_IO, bit and byte layer): Clock is SCL,
// Data Out drives SDA (high releases it), Data In senses it. Each step is one line operation; in
// the EEPROM line mode the line interface waits the EEPROM bit time after every output change.
// No clock stretching, no arbitration; the only time-out is the acknowledge-polling count.
#include <cstdint>

#include "app/host.h"
#include "pic/programmer_lines.h"

namespace korvane {

// 1010 bbb r: the fixed device code, the block bits (chip selects low), read/write.
constexpr std::uint8_t i2c_device_address(unsigned block, bool read) {
    return std::uint8_t(0xA0 | ((block & 0x0F) << 1) | (read ? 1 : 0));
}

class I2CBus {
public:
    static constexpr int kPollAttempts = 1001;

    I2CBus(IProgrammerLines& lines, IHost& host) : lines_(lines), host_(host) {}

    void start();                        // Data high; Clock high; Data low; Clock low
    void stop();                         // Data low; Clock high; Data high (bus idle)
    void send_bit(bool b);
    void send_byte(std::uint8_t v);      // MSB first, then releases SDA for the acknowledge
    bool receive_bit();
    std::uint8_t receive_byte();         // releases SDA, then eight bits MSB first
    // True when the slave pulled SDA low; with `report` a missing acknowledge is shown first.
    bool check_ack(bool report);
    // Start + device address (write, `block`) until acknowledged, at most 1001 times; no stop
    // between attempts. On success the bus is inside a write transaction to the device.
    bool ack_polling(unsigned block);
    int last_poll_attempts() const { return poll_attempts_; }
    // Poll attempts the device left unanswered since construction (benchmarks set the time they
    // spent against the write cycles they waited for).
    std::uint64_t unanswered_polls() const { return unanswered_polls_; }

    void no_ack_message();   // " ERROR!", "EEProm No Acknowledge Received"

private:
    IProgrammerLines& lines_;
    IHost& host_;
    int poll_attempts_ = 0;
    std::uint64_t unanswered_polls_ = 0;
};

} // namespace korvane
