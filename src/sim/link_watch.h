#pragma once
// Follows the card link on the line, as far as the reader's faults need it: which host byte is
// the checksum of a write block, and which card byte the checksum of a read block. It reads the
// five-byte headers (CLA INS P1 P2 P3) the host sends; P3 - 1 is the block length.
#include <array>
#include <cstdint>

namespace korvane::sim {

class LinkWatch {
public:
    void reset();
    // A byte the host sends; true when it is a write block's checksum.
    bool host_byte(std::uint8_t b);
    // A byte the card sends; true when it is a read block's checksum.
    bool card_byte();

private:
    std::array<std::uint8_t, 5> header_{};
    int header_len_ = 0;
    int write_left_ = 0;        // host bytes of the write block still to come, checksum included
    int read_index_ = 0;
    int read_checksum_at_ = -1; // card bytes after the header: procedure byte, data, checksum
};

} // namespace korvane::sim
