#include "pic/icsp_link.h"

namespace korvane {

void IcspLink::set_timing(unsigned bit_time_us, unsigned command_delay_us, unsigned command_length_minus_1) {
    bit_time_ = bit_time_us & 0xFF;
    command_delay_ = command_delay_us & 0xFF;
    command_bits_ = (command_length_minus_1 & 0xFF) + 1;
}

void IcspLink::clock_pulse() {
    lines_.clock_high();
    wait(bit_time_);
    lines_.clock_low();
    wait(bit_time_);
}

void IcspLink::send_command(unsigned code) {
    for (unsigned i = 0; i < command_bits_; ++i) put_bit(i < 32 && ((code >> i) & 1u));
    wait(command_delay_);
}

void IcspLink::send_16(std::uint16_t value) {
    for (unsigned i = 0; i < 16; ++i) put_bit((value >> i) & 1u);
}

void Pic16Link::send_data_word(std::uint16_t word) {
    put_bit(false);
    for (unsigned i = 0; i < 14; ++i) put_bit((word >> i) & 1u);
    put_bit(false);
}

std::uint16_t Pic16Link::read_data_word() {
    clock_pulse();        // start bit; Data Out still holds the last command bit
    lines_.data_high();   // release the line so the target can drive it
    std::uint16_t value = 0;
    for (unsigned i = 0; i < 14; ++i) {
        clock_pulse();
        if (lines_.read_data_in()) value = std::uint16_t(value | (1u << i));
    }
    clock_pulse();        // stop bit
    lines_.data_low();
    return value;
}

} // namespace korvane
