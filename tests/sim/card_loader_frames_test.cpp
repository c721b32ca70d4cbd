// Our two loaders on virtual cards, frame by frame: the answers to bad headers, empty blocks,
// the two addressing forms and damaged checksums.
#include "card_loader_fixture.h"

namespace korvane::sim::test {
namespace {

constexpr int k16F877 = 3, k24C16 = 4, k24C64 = 6;

// The headers every loader must refuse with one byte, and still answer the next header after.
void expect_refusals(CardLinkHost& host) {
    EXPECT_EQ(host.header(0xC0, 0x01, 0x00, 0x00, 0x11), 0x6E);   // class
    EXPECT_EQ(host.header(0xC1, 0x03, 0x00, 0x00, 0x11), 0x6D);   // instruction
    EXPECT_EQ(host.header(0xC1, 0xB0, 0x00, 0x00, 0x11), 0x6D);
    EXPECT_EQ(host.header(0xC1, 0x01, 0x00, 0x00, 0x00), 0x67);   // length 0 and above 129
    EXPECT_EQ(host.header(0xC1, 0x02, 0x00, 0x00, 0x82), 0x67);
    EXPECT_EQ(host.header(0xC1, 0x01, 0x00, 0x00, 0xFF), 0x67);
    EXPECT_TRUE(host.read(1).empty()) << "a single answer byte, never a second";
    // An empty block: procedure byte, then just the checksum 0 (read) or the status (write).
    EXPECT_EQ(host.read_block(0x0000, 0), std::vector<std::uint8_t>{});
    EXPECT_EQ(host.write_block(0x0000, {}), 0x90);
    EXPECT_EQ(host.read_block(0x0000, 129 - 1).value_or(std::vector<std::uint8_t>{}).size(), 128u);
}

TEST_F(CardLoaderTest, BadHeadersGetOneByteAndTheLoaderGoesOn) {
    write_loader(k16F877, 0x3D39, k24C64);
    CardLinkHost& host = started_card();
    expect_refusals(host);
    EXPECT_TRUE(host.init(false));
}

TEST_F(CardLoaderTest, TwoAddressBytesUntilInitAsksForThe24C16Form) {
    write_loader(k16F877, 0x3D39, k24C64);
    CardLinkHost& host = started_card();
    // No Init yet: P1:P2 go out as two address bytes.
    EXPECT_EQ(host.write_block(0x1234, pattern(4, 1)), 0x90);
    EXPECT_EQ(eeprom().byte(0x1234), pattern(4, 1)[0]);
    EXPECT_EQ(eeprom().byte(0x1237), pattern(4, 1)[3]);
    close_card();

    bench().select_card(k16F877, k24C16);
    CardLinkHost& small = started_card();
    ASSERT_TRUE(small.init(true));
    // 24C16: address bits 10..8 in the control byte; a read runs on across the 256-byte blocks.
    EXPECT_EQ(small.write_block(0x05F0, pattern(16, 2)), 0x90);
    EXPECT_EQ(small.write_block(0x0600, pattern(16, 3)), 0x90);
    EXPECT_EQ(eeprom().byte(0x05F0), pattern(16, 2)[0]);
    EXPECT_EQ(eeprom().byte(0x0600), pattern(16, 3)[0]);
    auto expect = pattern(16, 2);
    const auto second = pattern(16, 3);
    expect.insert(expect.end(), second.begin(), second.end());
    EXPECT_EQ(small.read_block(0x05F0, 32), expect);
}

TEST_F(ZenCardTest, BadHeadersAndChecksums) {
    write_loader_18f();
    CardLinkHost& host = started_card();
    expect_refusals(host);
    ASSERT_TRUE(host.init(false));
    EXPECT_EQ(host.write_block(0x0100, pattern(64, 1)), 0x90);
    EXPECT_EQ(host.write_block(0x0100, pattern(64, 2), 0x01), 0x10);
    EXPECT_EQ(host.read_block(0x0100, 64), pattern(64, 1));
}

} // namespace
} // namespace korvane::sim::test
