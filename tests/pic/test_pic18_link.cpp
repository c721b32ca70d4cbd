// The 18F instruction layer on the lines: instruction words of the table-pointer and EEPROM
// address loads, the read byte, the held programming clock and the complete erase frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fake_pic18.h"
#include "pic/pic18_link.h"
#include "recording_lines.h"

namespace korvane {
namespace {

using test::FakePic18;
using test::RecordingLines;

std::string repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

class Pic18LinkOnFake : public ::testing::Test {
protected:
    Pic18LinkOnFake() {
        link.set_timing(0, 0, 3);
        chip.target_on();
        chip.record = true;
    }
    std::string frames() {
        const std::string s = chip.recorded();
        chip.tokens.clear();
        return s;
    }
    FakePic18 chip;
    Pic18Link link{chip};
};

TEST_F(Pic18LinkOnFake, AddressLoadsSendTheExactInstructionWords) {
    link.set_table_pointer(0x3FFFFE);
    EXPECT_EQ(frames(), "0:0E3F 0:6EF8 0:0EFF 0:6EF7 0:0EFE 0:6EF6");
    link.set_table_pointer(0xE00000 | 0x200000);   // bits above 21 are dropped
    EXPECT_EQ(frames(), "0:0E20 0:6EF8 0:0E00 0:6EF7 0:0E00 0:6EF6");
    link.set_eeprom_address(0x12);
    EXPECT_EQ(frames(), "0:0E12 0:6EA9 0:0E00 0:6EAA");
    link.select_memory(Pic18Memory::ConfigWriteEnabled);
    link.select_memory(Pic18Memory::DataEeprom);
    EXPECT_EQ(frames(), "0:8EA6 0:8CA6 0:86A6 0:9EA6 0:9CA6");
    link.multi_panel_mode(true);
    EXPECT_EQ(frames(), "0:0E3C 0:6EF8 0:0E00 0:6EF7 0:0E06 0:6EF6 12:0040");
}

TEST_F(Pic18LinkOnFake, WordReadsAdvanceTheTablePointerLowByteFirst) {
    chip.device_id = 0x0427;
    link.set_table_pointer(kPic18DeviceIdAddress);
    EXPECT_EQ(link.read_word(), 0x0427);
    chip.code[0] = 0x34;
    chip.code[1] = 0x12;
    chip.code[2] = 0x78;
    link.set_table_pointer(0);
    EXPECT_EQ(link.read_word(), 0x1234);
    EXPECT_EQ(link.command_read(kTableReadPostInc), 0x78);
}

// Each erase must leave the link in frame: a read right after it still decodes.
TEST_F(Pic18LinkOnFake, EveryErasesFrameIsCompleteSoThePanelsEraseOneAfterAnother) {
    chip.code.fill(0x00);
    for (unsigned code = kPic18PanelErase1; code < kPic18PanelErase1 + 4; ++code) link.bulk_erase(code);
    EXPECT_EQ(chip.erases, 4);
    EXPECT_EQ(chip.violations, 0);
    EXPECT_EQ(chip.unknown_instructions, 0);
    EXPECT_TRUE(std::all_of(chip.code.begin(), chip.code.end(), [](auto b) { return b == 0xFF; }));
    chip.tokens.clear();
    link.set_table_pointer(kPic18DeviceIdAddress);
    EXPECT_EQ(link.read_word(), 0x0420);
}

TEST(Pic18LinkLines, ReadByteClocksEightInputBitsThenSamplesWhileHigh) {
    RecordingLines lines;
    Pic18Link link{lines};
    link.set_timing(0, 0, 3);
    lines.data_in_level = true;
    EXPECT_EQ(link.read_byte(), 0xFF);
    // Data low, eight zero clocks, the 1 us pause, then per bit: rise, release, sample, fall.
    EXPECT_EQ(lines.log, "d" + repeat("Cc", 8) + "w" + repeat("CDrc", 8));
    EXPECT_EQ(lines.waits_us, std::vector<unsigned>{1});
    lines.data_in_level = false;
    EXPECT_EQ(link.read_byte(), 0x00);
}

TEST(Pic18LinkLines, ProgrammingHoldsTheFourthClockHighThenSendsANopPayload) {
    RecordingLines lines;
    Pic18Link link{lines};
    link.set_timing(0, 0, 3);
    link.programming_wait(11);
    EXPECT_EQ(lines.log, "d" + repeat("Cc", 3) + "CSc" + "w" + repeat("dCc", 16));
    EXPECT_EQ(lines.sleeps_ms, std::vector<unsigned>{11});
    EXPECT_EQ(lines.waits_us, std::vector<unsigned>{5});
    EXPECT_EQ(lines.clocked_bits, std::string(20, '0'));
}

TEST(Pic18LinkLines, EraseWaitsWithTheLinesLowAfterTheFourthClockBeforeThePayload) {
    RecordingLines lines;
    Pic18Link link{lines};
    link.set_timing(0, 0, 3);
    link.bulk_erase(kPic18ChipErase);
    // Select configuration space, the table pointer, the erase code, a NOP, a held NOP: 11 frames.
    EXPECT_EQ(lines.clocked_bits.size(), 11u * 20);
    EXPECT_EQ(lines.sleeps_ms, std::vector<unsigned>{Pic18Link::kEraseWaitMs});
    const std::string before_sleep = lines.log.substr(0, lines.log.find('S'));
    EXPECT_EQ(std::count(before_sleep.begin(), before_sleep.end(), 'C'), 10 * 20 + 4);
    EXPECT_EQ(before_sleep.back(), 'c');
    EXPECT_FALSE(lines.data);
}

} // namespace
} // namespace korvane
