#include <gtest/gtest.h>

#include "pic/icsp_link.h"
#include "recording_lines.h"

using korvane::Pic16Link;
using korvane::test::RecordingLines;

TEST(Pic16Link, IncrementCommandClocksSixBitsLsbFirst) {
    RecordingLines lines;
    Pic16Link link(lines);
    link.set_timing(0, 0, 5);
    link.send_command(6);
    EXPECT_EQ(lines.clocked_bits(), "011000");
    // No wait at all with bit time 0 and command delay 0; data left at the last bit.
    EXPECT_TRUE(lines.waits_us.empty());
    EXPECT_FALSE(lines.data);
    EXPECT_FALSE(lines.clock);
}

TEST(Pic16Link, FourBitCommandsForTheOtherFamily) {
    RecordingLines lines;
    Pic16Link link(lines);
    link.set_timing(0, 0, 3);
    link.send_command(0x3D);   // only the low four bits go out
    EXPECT_EQ(lines.clocked_bits(), "1011");
}

TEST(Pic16Link, BitTimeWaitsAfterEachEdgeAndCommandDelayAfterCommand) {
    RecordingLines lines;
    Pic16Link link(lines);
    link.set_timing(0x105, 0x203, 5);   // only the low bytes count
    link.send_command(4);
    EXPECT_EQ(lines.log, "dCwcwdCwcwDCwcwdCwcwdCwcwdCwcww");
    ASSERT_EQ(lines.waits_us.size(), 13u);
    EXPECT_EQ(lines.waits_us.front(), 5u);
    EXPECT_EQ(lines.waits_us.back(), 3u);
}

TEST(Pic16Link, SixteenBitValueHasNoFraming) {
    RecordingLines lines;
    Pic16Link link(lines);
    link.set_timing(0, 0, 5);
    link.send_16(0x3FFF);
    EXPECT_EQ(lines.clocked_bits(), "1111111111111100");
}

TEST(Pic16Link, DataWordDropsBits14And15) {
    RecordingLines lines;
    Pic16Link link(lines);
    link.set_timing(0, 0, 5);
    link.send_data_word(0x7FFF);
    EXPECT_EQ(lines.clocked_bits(), "0" "11111111111111" "0");
    lines.clear();
    link.send_data_word(0x0001);
    EXPECT_EQ(lines.clocked_bits(), "0" "10000000000000" "0");
}

TEST(Pic16Link, ReadTakesFourteenBitsAfterTheStartClock) {
    RecordingLines lines;
    Pic16Link link(lines);
    link.set_timing(0, 0, 5);
    lines.data_in_level = false;
    EXPECT_EQ(link.read_data_word(), 0x0000);
    // Start clock with the old data level, release, 14 sampled clocks, stop clock, data low.
    EXPECT_EQ(lines.log, "CcD" + std::string() +
                             "CcrCcrCcrCcrCcrCcrCcrCcrCcrCcrCcrCcrCcrCcr" + "Ccd");
    lines.data_in_level = true;
    EXPECT_EQ(link.read_data_word(), 0x3FFF);
    EXPECT_FALSE(lines.data);
}
