#include "eeprom/i2c_bus.h"

namespace korvane {

void I2CBus::start() {
    lines_.data_high();
    lines_.clock_high();
    lines_.data_low();
    lines_.clock_low();
}

void I2CBus::stop() {
    lines_.data_low();
    lines_.clock_high();
    lines_.data_high();
}

void I2CBus::send_bit(bool b) {
    if (b) lines_.data_high();
    else lines_.data_low();
    lines_.clock_high();
    lines_.clock_low();
}

void I2CBus::send_byte(std::uint8_t v) {
    for (int bit = 7; bit >= 0; --bit) send_bit(((v >> bit) & 1) != 0);
    lines_.data_high();
}

bool I2CBus::receive_bit() {
    lines_.clock_high();
    const bool b = lines_.read_data_in();
    lines_.clock_low();
    return b;
}

std::uint8_t I2CBus::receive_byte() {
    lines_.data_high();
    std::uint8_t v = 0;
    for (int k = 0; k < 8; ++k) v = std::uint8_t((v << 1) | (receive_bit() ? 1 : 0));
    return v;
}

void I2CBus::no_ack_message() { error_box(host_, "", {"EEProm No Acknowledge Received"}); }

bool I2CBus::check_ack(bool report) {
    if (!receive_bit()) return true;
    if (report) no_ack_message();
    return false;
}

bool I2CBus::ack_polling(unsigned block) {
    const std::uint8_t address = i2c_device_address(block, false);
    for (poll_attempts_ = 1; poll_attempts_ <= kPollAttempts; ++poll_attempts_) {
        start();
        send_byte(address);
        if (check_ack(false)) return true;
        ++unanswered_polls_;
    }
    poll_attempts_ = kPollAttempts;
    return false;
}

} // namespace korvane
