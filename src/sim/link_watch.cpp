#include "sim/link_watch.h"

namespace korvane::sim {

namespace {
constexpr std::uint8_t kReadBlock = 0x01, kWriteBlock = 0x02;
} // namespace

void LinkWatch::reset() { *this = LinkWatch{}; }

bool LinkWatch::host_byte(std::uint8_t b) {
    if (write_left_ > 0) return --write_left_ == 0;
    header_[std::size_t(header_len_++)] = b;
    if (header_len_ < 5) return false;
    header_len_ = 0;
    read_checksum_at_ = -1;
    const std::uint8_t ins = header_[1], p3 = header_[4];
    if (ins == kReadBlock && p3 >= 1) {
        read_index_ = 0;
        read_checksum_at_ = p3;
    } else if (ins == kWriteBlock && p3 >= 1) {
        write_left_ = p3;
    }
    return false;
}

bool LinkWatch::card_byte() {
    if (read_checksum_at_ < 0) return false;
    if (read_index_++ != read_checksum_at_) return false;
    read_checksum_at_ = -1;
    return true;
}

} // namespace korvane::sim
