#include "card/card_frames.h"

#include <algorithm>

namespace korvane {

namespace {
CardHeader block_header(std::uint8_t ins, std::uint16_t address, std::size_t n) {
    return {kCardClass, ins, std::uint8_t(address >> 8), std::uint8_t(address & 0xFF), std::uint8_t(n + 1)};
}
} // namespace

CardHeader init_header(bool eeprom_24c16) {
    return {kCardClass, kInsInit, 0x00, std::uint8_t(eeprom_24c16 ? 0x01 : 0x00), 0x00};
}

CardHeader read_block_header(std::uint16_t address, std::size_t n) {
    return block_header(kInsReadBlock, address, n);
}

CardHeader write_block_header(std::uint16_t address, std::size_t n) {
    return block_header(kInsWriteBlock, address, n);
}

std::uint8_t block_checksum(std::span<const std::uint8_t> bytes) {
    std::uint8_t x = 0;
    for (std::uint8_t b : bytes) x ^= b;
    return x;
}

std::array<std::uint8_t, kAtrLength> loader_atr() {
    std::array<std::uint8_t, kAtrLength> atr{};
    for (std::size_t i = 0; i < 14; ++i) atr[i] = std::uint8_t(i + 1);
    atr[14] = kCardStatusOk;
    atr[15] = 0x00;
    return atr;
}

bool atr_accepted(std::span<const std::uint8_t> received) {
    if (received.size() < kAtrLength) return false;
    const auto atr = loader_atr();
    return std::equal(atr.begin(), atr.end(), received.begin());
}

int procedure_error(std::uint8_t procedure, std::uint8_t expected_ins) {
    if (procedure == expected_ins) return kCardOk;
    return procedure == 0 ? kCardZeroProcedure : int(procedure);
}

int init_status_error(std::uint8_t status) { return status == kCardStatusOk ? kCardOk : kCardStatusUnknown; }

int write_status_error(std::uint8_t status) {
    if (status == kCardStatusOk) return kCardOk;
    if (status == kCardStatusBadChecksum) return kCardChecksum;
    return kCardStatusUnknown;
}

ReadBlockReply decode_read_block(std::span<const std::uint8_t> received, std::size_t n,
                                 const std::uint8_t* expected) {
    ReadBlockReply reply;
    if (received.empty()) {
        reply.error = kCardNoAck;
        return reply;
    }
    reply.error = procedure_error(received[0], kInsReadBlock);
    if (reply.error != kCardOk) return reply;
    reply.data.assign(n, kNoByte);
    const std::size_t present = std::min(n, received.size() - 1);
    std::copy_n(received.begin() + 1, present, reply.data.begin());
    if (expected) {
        for (std::size_t i = 0; i < n; ++i) {
            if (reply.data[i] != expected[i]) {
                reply.verify_failed = true;
                reply.first_difference = i;
                reply.data.resize(i + 1);
                return reply;
            }
        }
    }
    // The checksum is the one byte after the data; missing counts as wrong.
    if (received.size() < n + 2 || received[n + 1] != block_checksum(reply.data)) reply.error = kCardChecksum;
    return reply;
}

} // namespace korvane
