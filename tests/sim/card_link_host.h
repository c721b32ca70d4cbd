#pragma once
// The host side of the card link, as the tests drive the simulated reader: reset and answer to
// reset, Init, read and write blocks, each byte's echo read back and checked. Written from the
// loader protocol (docs/iso_card.md), independent of the program's own link code.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hardware/clock.h"
#include "hardware/serial_port.h"

namespace korvane::sim::test {

// The answer to reset of our loaders and of the test card program.
inline const std::vector<std::uint8_t> kAtr = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0x90, 0x00};

class CardLinkHost {
public:
    CardLinkHost(ISerialPort& port, IClock& clock) : port_(port), clock_(clock) {}

    // 8E2 at `baud`.
    bool configure(std::uint32_t baud) { return port_.configure({baud, 8, Parity::Even, 2}); }
    // The reset pulse on RTS, 50 ms, then up to 16 bytes.
    std::vector<std::uint8_t> reset();
    // Reads up to n bytes with the link's time-outs (10 ms between bytes, 20 ms + 10 ms a byte).
    std::vector<std::uint8_t> read(std::size_t n);
    // Sends the bytes and reads their echo; false when the echo is short. An echo that differs
    // from the bytes is counted.
    bool send(const std::vector<std::uint8_t>& bytes);

    // A command header, then the one byte that follows it (nullopt when none comes).
    std::optional<std::uint8_t> header(std::uint8_t cla, std::uint8_t ins, std::uint8_t p1, std::uint8_t p2,
                                       std::uint8_t p3);
    // Init; true for procedure byte 0x00 and status 0x90.
    bool init(bool addressing_24c16);
    // Read block: the data, or nullopt on a wrong procedure byte, missing bytes or checksum.
    std::optional<std::vector<std::uint8_t>> read_block(std::uint16_t address, std::size_t n);
    // Write block: the status byte (0x90, 0x10), or nullopt when the procedure byte is wrong or
    // nothing comes. `checksum_delta` damages the checksum sent.
    std::optional<std::uint8_t> write_block(std::uint16_t address, const std::vector<std::uint8_t>& data,
                                            std::uint8_t checksum_delta = 0);

    std::string last_error;
    int echo_mismatches = 0;

private:
    ISerialPort& port_;
    IClock& clock_;
};

} // namespace korvane::sim::test
