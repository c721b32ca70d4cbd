#pragma once
// Bit layer of in-circuit serial programming. The clock pulse, the command sender and the 16-bit
// sender are shared by both families (6-bit commands on the 16F, 4-bit on the 18F); the 14-bit
// data frames belong to the 16F.
#include <cstdint>

#include "pic/programmer_lines.h"

namespace korvane {

class IcspLink {
public:
    explicit IcspLink(IProgrammerLines& lines) : lines_(lines) {}

    // Only the low byte of the two microsecond values is used; 0 means no wait at all.
    void set_timing(unsigned bit_time_us, unsigned command_delay_us, unsigned command_length_minus_1);

    void clock_pulse();
    // The (command length - 1) + 1 low bits of code, LSB first, then the command delay.
    void send_command(unsigned code);
    // 16 bits LSB first, no framing, no trailing wait.
    void send_16(std::uint16_t value);

    IProgrammerLines& lines() { return lines_; }

protected:
    void wait(unsigned us) {
        if (us) lines_.wait_us(us);
    }
    void put_bit(bool one) {
        if (one) lines_.data_high(); else lines_.data_low();
        clock_pulse();
    }

    IProgrammerLines& lines_;
    unsigned bit_time_ = 0;
    unsigned command_delay_ = 0;
    unsigned command_bits_ = 6;
};

// 16F commands (6-bit codes).
enum Pic16Command : unsigned {
    kLoadConfiguration = 0,
    kBulkEraseSetup1 = 1,
    kLoadProgramData = 2,
    kLoadDataData = 3,
    kReadProgramData = 4,
    kReadDataData = 5,
    kIncrementAddress = 6,
    kBulkEraseSetup2 = 7,
    kBeginProgramming = 8,
    kBulkEraseProgram = 9,
    kBulkEraseData = 11,
};

class Pic16Link : public IcspLink {
public:
    using IcspLink::IcspLink;

    // Start bit 0, bits 0..13 LSB first, stop bit 0; bits 14 and 15 are not sent.
    void send_data_word(std::uint16_t word);
    // Start clock, release the data line, 14 bits sampled after each clock, stop clock, data low.
    std::uint16_t read_data_word();

    void command(unsigned code) { send_command(code); }
    void command_with_data(unsigned code, std::uint16_t word) {
        send_command(code);
        send_data_word(word);
    }
    std::uint16_t command_read(unsigned code) {
        send_command(code);
        return read_data_word();
    }
    void load_configuration(std::uint16_t value) {
        send_command(kLoadConfiguration);
        send_16(value);
    }
};

} // namespace korvane
