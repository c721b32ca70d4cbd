#include <gtest/gtest.h>

#include <utility>

#include "pic/icsp_link.h"
#include "recording_lines.h"

using korvane::Pic16Link;
using korvane::test::RecordingLines;

// No bit time, no command delay, the 16F six-bit commands unless a test says otherwise.
class Pic16LinkTest : public ::testing::Test {
protected:
    Pic16LinkTest() { link.set_timing(0, 0, 5); }
    RecordingLines lines;
    Pic16Link link{lines};
};

TEST_F(Pic16LinkTest, IncrementCommandClocksSixBitsLsbFirst) {
    link.send_command(6);
    EXPECT_EQ(lines.clocked_bits, "011000");
    // No wait at all with bit time 0 and command delay 0; data left at the last bit.
    EXPECT_TRUE(lines.waits_us.empty());
    EXPECT_FALSE(lines.data);
    EXPECT_FALSE(lines.clock);
}

TEST_F(Pic16LinkTest, FourBitCommandsForTheOtherFamily) {
    link.set_timing(0, 0, 3);
    link.send_command(0x3D);   // only the low four bits go out
    EXPECT_EQ(lines.clocked_bits, "1011");
}

TEST_F(Pic16LinkTest, BitTimeWaitsAfterEachEdgeAndCommandDelayAfterCommand) {
    link.set_timing(0x105, 0x203, 5);   // only the low bytes count
    link.send_command(4);
    EXPECT_EQ(lines.log, "dCwcwdCwcwDCwcwdCwcwdCwcwdCwcww");
    ASSERT_EQ(lines.waits_us.size(), 13u);
    EXPECT_EQ(lines.waits_us.front(), 5u);
    EXPECT_EQ(lines.waits_us.back(), 3u);
}

TEST_F(Pic16LinkTest, SixteenBitValueHasNoFramingAndDataWordsDropBits14And15) {
    link.send_16(0x3FFF);
    EXPECT_EQ(lines.clocked_bits, "1111111111111100");
    for (auto [word, bits] : {std::pair{0x7FFF, "0" "11111111111111" "0"}, {0x0001, "0" "10000000000000" "0"}}) {
        lines.clear();
        link.send_data_word(std::uint16_t(word));
        EXPECT_EQ(lines.clocked_bits, bits) << word;
    }
}

TEST_F(Pic16LinkTest, ReadTakesFourteenBitsAfterTheStartClock) {
    lines.data_in_level = false;
    EXPECT_EQ(link.read_data_word(), 0x0000);
    // Start clock with the old data level, release, 14 sampled clocks, stop clock, data low.
    EXPECT_EQ(lines.log, "CcD" + std::string() +
                             "CcrCcrCcrCcrCcrCcrCcrCcrCcrCcrCcrCcrCcrCcr" + "Ccd");
    lines.data_in_level = true;
    EXPECT_EQ(link.read_data_word(), 0x3FFF);
    EXPECT_FALSE(lines.data);
}
