// The card link's read-block decoder, on any reply the reader could deliver: for a block of
// n = 1..128 bytes (from the selector) it returns n data bytes taken from the reply in order, the
// missing ones as the no-byte value, and accepts only the XOR checksum after them. With bit 7 of
// the selector it verifies against the block sent, changed in one byte for replies of odd length.
#include <algorithm>
#include <vector>

#include "card/card_frames.h"
#include "fuzz_input.h"

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto in = fuzz::split(data, size);
    const std::size_t n = 1 + (in.selector & 0x7F) % kMaxBlock;
    const std::vector<std::uint8_t> received(in.bytes.begin(), in.bytes.end());

    std::vector<std::uint8_t> sent(n, kNoByte);
    for (std::size_t i = 0; i < n && i + 1 < received.size(); ++i) sent[i] = received[i + 1];
    std::vector<std::uint8_t> expected = sent;
    const bool verifying = in.selector & 0x80;
    if (verifying && received.size() % 2 == 1) expected[received.size() % n] ^= 0x01;

    const auto reply = decode_read_block(received, n, verifying ? expected.data() : nullptr);
    if (received.empty() || received[0] != kInsReadBlock) {
        fuzz::require(reply.error != kCardOk, "a missing or wrong procedure byte is an error");
        return 0;
    }
    if (reply.verify_failed) {
        const std::size_t d = reply.first_difference;
        fuzz::require(verifying && d < n && reply.data.size() == d + 1, "a difference ends the block");
        fuzz::require(std::equal(expected.begin(), expected.begin() + long(d), reply.data.begin()) &&
                          reply.data[d] != expected[d],
                      "the first difference is reported");
        return 0;
    }
    fuzz::require(reply.data == sent, "the data bytes are the reply's, the missing ones no-byte");
    const bool checksum_ok = received.size() >= n + 2 && received[n + 1] == block_checksum(sent);
    fuzz::require((reply.error == kCardOk) == checksum_ok, "only the right checksum is accepted");
    fuzz::require(checksum_ok || reply.error == kCardChecksum, "a wrong checksum is a checksum error");
    return 0;
}
