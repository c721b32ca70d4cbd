// The EEPROM tasks end to end on the simulated 24Cxx chips, through both backends of the line
// interface: what is written reads back, verify finds a changed byte, erase blanks the chip,
// and the chip's faults come out as the program's messages.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim_rig.h"

namespace korvane::test {
namespace {

using Lines = std::vector<std::string>;

Lines bodies(const FakeHost& h) {
    Lines out;
    for (const auto& b : h.boxes) out.push_back(b.lines.size() > 1 ? b.lines[1] : "");
    return out;
}

class EveryType : public ::testing::TestWithParam<int> {};

TEST_P(EveryType, ProgramReadBackVerifyFindAChangedByteAndErase) {
    const int type = GetParam();
    for (bool direct : {false, true}) {
        if (type == 10 && direct) continue;   // one full 24C512 pass is enough
        SCOPED_TRACE(direct ? "direct" : "api");
        EESimRig rig(type, direct);
        rig.fill_random(unsigned(type) + 17);
        const auto written = rig.image->bytes;
        ASSERT_EQ(rig.run(EEPromTask::Program), TaskResult::Done) << ::testing::PrintToString(bodies(rig.host));
        EXPECT_EQ(bodies(rig.host), (Lines{"EEProm Write Successfully Completed"}));

        clear_eeprom_image(*rig.image, type);
        ASSERT_EQ(rig.run(EEPromTask::Read), TaskResult::Done);
        EXPECT_TRUE(std::equal(written.begin(), written.begin() + eeprom_type(type).size, rig.image->bytes.begin()));
        EXPECT_FALSE(rig.image->empty);

        const std::uint32_t changed = eeprom_type(type).last_address / 3;
        rig.image->bytes[changed] ^= 0x20;
        rig.host.boxes.clear();
        EXPECT_EQ(rig.run(EEPromTask::Verify), TaskResult::Failed);
        char line[32];
        std::snprintf(line, sizeof line, "Fail Address = %04Xh", changed);
        ASSERT_EQ(rig.host.boxes.size(), 1u);
        EXPECT_EQ(rig.host.boxes[0].lines, (Lines{" ERROR!", "EEProm Verify Not Successfull", line}));

        rig.host.boxes.clear();
        ASSERT_EQ(rig.run(EEPromTask::Erase), TaskResult::Done);
        EXPECT_EQ(bodies(rig.host), (Lines{"EEProm Erase Successfully Completed"}));
        EXPECT_TRUE(rig.image->empty);
        const sim::I2cEeprom* chip = sim::SimBench::instance().eeprom();
        ASSERT_NE(chip, nullptr);
        const auto& cells = chip->memory();
        EXPECT_EQ(std::count(cells.begin(), cells.end(), 0xFF), std::ptrdiff_t(eeprom_type(type).size));
    }
}

INSTANTIATE_TEST_SUITE_P(Types, EveryType, ::testing::Range(0, 11),
                         [](const auto& info) { return std::string(eeprom_type(info.param).list_name); });

TEST(EEPromOnBench, FaultsBecomeTheProgramsMessages) {
    {
        EESimRig rig(4, false, "noack");
        EXPECT_EQ(rig.run(EEPromTask::Read), TaskResult::Failed);
        EXPECT_EQ(rig.run(EEPromTask::Program), TaskResult::Failed);
        EXPECT_EQ(bodies(rig.host), (Lines{"EEProm No Acknowledge Received", "EEProm No Acknowledge Received"}));
    }
    {
        // A write-protected chip takes the data and keeps its old contents: only the verify sees it.
        EESimRig rig(1, true, "wp");
        rig.fill_random(4);
        rig.image->bytes[0] = 0x00;
        EXPECT_EQ(rig.run(EEPromTask::Program), TaskResult::Failed);
        EXPECT_EQ(rig.host.boxes.back().lines,
                  (Lines{" ERROR!", "EEProm Verify Not Successfull", "Fail Address = 0000h"}));
    }
    {
        // A slow write cycle only makes the polling try longer.
        EESimRig rig(6, false, "twr=10");
        rig.fill_random(5);
        EXPECT_EQ(rig.run(EEPromTask::Program), TaskResult::Done);
        EXPECT_EQ(bodies(rig.host), (Lines{"EEProm Write Successfully Completed"}));
    }
}

TEST(EEPromOnBench, AbortDuringTheReadLeavesTheBufferEmptyFlagged) {
    EESimRig rig(8, false);
    rig.host.at_pump = 500;
    rig.host.on_pump = [&] { rig.runner.abort(); };
    EXPECT_EQ(rig.run(EEPromTask::Read), TaskResult::Aborted);
    EXPECT_EQ(bodies(rig.host), (Lines{"Process Aborted"}));
    EXPECT_TRUE(rig.image->empty);
    EXPECT_EQ(rig.ee.task_running, 0);
    EXPECT_FALSE(rig.io.is_open());
}

} // namespace
} // namespace korvane::test
