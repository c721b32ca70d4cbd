// The reader's I/O line on its own: the host's characters and their echo, the card's pulls as
// the host's UART decodes them (start edge, mid-bit samples, parity and stop), and which bytes
// of the link the checksum fault goes for.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/card_line.h"
#include "sim/link_watch.h"

namespace korvane::sim::test {
namespace {

constexpr double kBitNs = 1e9 / 9600;

class CardLineTest : public ::testing::Test {
protected:
    void SetUp() override { line.configure({9600, 8, Parity::Even, 2}); }
    // The card sends `bits` (start bit first) at `bit_ns` per bit from `start`.
    void card_sends(const std::vector<bool>& bits, std::uint64_t start, double bit_ns) {
        bool low = false;
        for (std::size_t k = 0; k < bits.size(); ++k) {
            const bool want_low = !bits[k];
            if (want_low != low) line.card_pull(start + std::uint64_t(double(k) * bit_ns), want_low);
            low = want_low;
        }
        if (low) line.card_pull(start + std::uint64_t(double(bits.size()) * bit_ns), false);
    }
    // Start, 8 data bits LSB first, parity bit (even unless `bad_parity`), `stop` stop bits.
    static std::vector<bool> frame(std::uint8_t b, bool bad_parity = false, int stop = 2) {
        std::vector<bool> bits = {false};
        int ones = 0;
        for (int i = 0; i < 8; ++i) {
            bits.push_back((b >> i) & 1);
            ones += (b >> i) & 1;
        }
        bits.push_back(((ones & 1) != 0) != bad_parity);
        for (int i = 0; i < stop; ++i) bits.push_back(stop > 0);
        return bits;
    }
    std::vector<std::uint8_t> values() {
        std::vector<std::uint8_t> v;
        for (const auto& b : line.received()) v.push_back(b.value);
        return v;
    }

    CardLine line;
};

TEST_F(CardLineTest, TheHostHearsItsOwnCharactersAtTheStopBitSample) {
    line.send(0x3C, 1000);
    line.send(0xA5, 1000);   // queued behind the first
    EXPECT_FALSE(line.host_level(1000)) << "start bit";
    EXPECT_TRUE(line.host_level(1000 + std::uint64_t(3.5 * kBitNs))) << "bit 2 of 0x3C";
    line.advance(1000 + std::uint64_t(30 * kBitNs));
    ASSERT_EQ(line.received().size(), 2u);
    EXPECT_EQ(line.received()[0].value, 0x3C);
    EXPECT_EQ(line.received()[1].value, 0xA5);
    EXPECT_TRUE(line.received()[0].echo);
    EXPECT_FALSE(line.received()[0].parity_error);
    EXPECT_NEAR(double(line.received()[0].time_ns), 1000 + 10.5 * kBitNs, 2);
    EXPECT_NEAR(double(line.received()[1].time_ns), 1000 + 22.5 * kBitNs, 2) << "12 bits per character";
}

TEST_F(CardLineTest, CardCharactersDecodeWithinTheToleranceAndTurnToGarbageBeyond) {
    // 3 % slow: the last sample is still inside its bit.
    card_sends(frame(0x96), 5000, kBitNs * 1.03);
    line.advance(5000 + std::uint64_t(14 * kBitNs));
    EXPECT_THAT(values(), ::testing::ElementsAre(0x96));
    EXPECT_FALSE(line.received()[0].echo);
    line.received().clear();

    // 12 % fast: the samples slide into the neighbouring bits.
    const std::uint64_t start = 100 * std::uint64_t(kBitNs);
    card_sends(frame(0x96), start, kBitNs * 0.88);
    line.advance(start + std::uint64_t(14 * kBitNs));
    ASSERT_FALSE(line.received().empty());
    const LineByte& b = line.received()[0];
    EXPECT_TRUE(b.value != 0x96 || b.parity_error || b.framing_error);
}

TEST_F(CardLineTest, GlitchesParityAndFramingErrors) {
    // Low for a third of a bit: no start bit at the half-bit sample.
    line.card_pull(1000, true);
    line.card_pull(1000 + std::uint64_t(kBitNs / 3), false);
    line.advance(std::uint64_t(20 * kBitNs));
    EXPECT_TRUE(line.received().empty());

    card_sends(frame(0x0F, true), std::uint64_t(30 * kBitNs), kBitNs);
    line.advance(std::uint64_t(45 * kBitNs));
    ASSERT_EQ(line.received().size(), 1u);
    EXPECT_EQ(line.received()[0].value, 0x0F) << "delivered anyway";
    EXPECT_TRUE(line.received()[0].parity_error);
    line.received().clear();

    // A line held low (a break): one character with a framing error, then nothing until the
    // line has been high again.
    line.card_pull(std::uint64_t(60 * kBitNs), true);
    line.advance(std::uint64_t(100 * kBitNs));
    ASSERT_EQ(line.received().size(), 1u);
    EXPECT_EQ(line.received()[0].value, 0x00);
    EXPECT_TRUE(line.received()[0].framing_error);
    line.card_pull(std::uint64_t(101 * kBitNs), false);
    card_sends(frame(0x81), std::uint64_t(110 * kBitNs), kBitNs);
    line.advance(std::uint64_t(125 * kBitNs));
    EXPECT_THAT(values(), ::testing::ElementsAre(0x00, 0x81));
}

TEST_F(CardLineTest, APurgeDropsOnlyCharactersNotYetBegun) {
    line.send(0x11, 0);
    line.send(0x22, 0);
    line.drop_unsent(std::uint64_t(2 * kBitNs));
    line.advance(std::uint64_t(40 * kBitNs));
    EXPECT_THAT(values(), ::testing::ElementsAre(0x11));
}

TEST(LinkWatch, FindsTheChecksumOfEachBlockKind) {
    LinkWatch w;
    auto host = [&](std::vector<std::uint8_t> bytes) {
        std::vector<bool> flags;
        for (auto b : bytes) flags.push_back(w.host_byte(b));
        return flags;
    };
    // Write block of 2 bytes: header, then the data and the checksum.
    EXPECT_THAT(host({0xC1, 0x02, 0x00, 0x10, 0x03}), ::testing::Each(false));
    EXPECT_THAT(host({0xAA, 0x55, 0xFF}), ::testing::ElementsAre(false, false, true));
    // Read block of 2 bytes: the card sends the procedure byte, 2 data bytes, the checksum.
    host({0xC1, 0x01, 0x00, 0x10, 0x03});
    std::vector<bool> card;
    for (int i = 0; i < 5; ++i) card.push_back(w.card_byte());
    EXPECT_THAT(card, ::testing::ElementsAre(false, false, false, true, false));
    // Init has no checksum; the next header starts afresh.
    host({0xC1, 0x00, 0x00, 0x00, 0x00});
    EXPECT_FALSE(w.card_byte());
    EXPECT_FALSE(w.card_byte());
}

} // namespace
} // namespace korvane::sim::test
