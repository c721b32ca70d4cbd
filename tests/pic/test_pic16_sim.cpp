// The 16F tasks end to end: the real line interface on both backends against the simulated
// bench, on the virtual clock.
#include <gtest/gtest.h>

#if __has_include("sim/sim_bench.h")
#include <cstdio>
#include <utility>

#include "files/pic_hex_writer.h"
#include "pic/pic_catalogue.h"
#include "sim_rig.h"

namespace korvane {
namespace {

using test::SimRig;

struct Case {
    int device;
    bool direct;
};

class Pic16OnBench : public ::testing::TestWithParam<Case> {};

TEST_P(Pic16OnBench, ProgramReadBackAndVerifyAFullImage) {
    const Case c = GetParam();
    SimRig rig(c.device, c.direct);
    rig.settings.verify_after = 1;   // the JDM's 11 ms delay: the 16F628 gets its 13 ms all the same
    rig.fill_random(unsigned(11 + c.device));
    rig.image->config[7] = pic_cleared_config_word(c.device) | 0x0003;   // unprotected, some fuses
    auto programmed = std::make_unique<PicImage>(*rig.image);

    ASSERT_EQ(rig.run(PicTask::Program), TaskResult::Done) << rig.host.boxes.front().lines[0];
    ASSERT_EQ(rig.host.boxes.size(), 1u);
    EXPECT_EQ(rig.host.boxes[0].lines[1], "Programming and Verify");
    EXPECT_EQ(sim::SimBench::instance().counters().timing_violations, 0u);

    clear_pic_image(*rig.image, c.device);
    ASSERT_EQ(rig.run(PicTask::Read), TaskResult::Done);
    // Words 0x2004..0x2006 are the chip's own; the rest must be what was programmed.
    for (int k = 4; k < 7; ++k) programmed->config[std::size_t(k)] = rig.image->config[std::size_t(k)];
    EXPECT_EQ(pic_hex_text(*rig.image, c.device), pic_hex_text(*programmed, c.device));
    char id[8];
    std::snprintf(id, sizeof id, "%04X", unsigned(pic_device(c.device).device_id));
    EXPECT_EQ(rig.view.id, id);   // the PICID box shows the checked ID without its revision
    EXPECT_EQ(rig.pic.device_id_read, pic_device(c.device).device_id);
}

INSTANTIATE_TEST_SUITE_P(AllDevicesBothBackends, Pic16OnBench,
                         ::testing::Values(Case{0, true}, Case{0, false}, Case{1, true}, Case{1, false},
                                           Case{2, true}, Case{2, false}, Case{3, true}, Case{3, false}),
                         [](const auto& info) {
                             const std::string name = pic_device(info.param.device).name.str();
                             return name.substr(0, name.find(' ')) + (info.param.direct ? "_direct" : "_api");
                         });

TEST(Pic16Faults, StuckBitFailsAtItsOffsetAfterExactlyMaxRetries) {
    SimRig rig(0, false, "stuck=0x10:0x0001");
    rig.settings.current_programmer().max_retries = 3;
    rig.image->code[0x10] = 0x0001;
    EXPECT_EQ(rig.run(PicTask::Program), TaskResult::Failed);
    ASSERT_EQ(rig.host.boxes.size(), 2u);
    EXPECT_EQ(rig.host.boxes[0].lines,
              (std::vector<std::string>{"PIC 16F84   ERROR!            Offset = 00010h", "Write Program Failure",
                                        "Max Retries Exceeded"}));
    EXPECT_EQ(rig.host.boxes[1].lines[1], "PIC Programming");
    // Device check, the 16 blank words before it (read back: Skip_3FFF), then three attempts.
    EXPECT_EQ(rig.lines.samples, 14 * (1 + 16 + 3));
}

TEST(Pic16Faults, ConfigurationWordThatDoesNotTakeIsAWriteFailure) {
    SimRig rig(1, true, "stuck=0x2007:0x0008");   // /PWRTE cannot be left unprogrammed
    rig.image->config[7] = 0x3F2B;
    // The write failure at the configuration word's address, then the task's own failure box.
    for (auto [task, what] : {std::pair{PicTask::Program, "PIC Programming"},
                              std::pair{PicTask::ProgramConfig, "Config Programming"}}) {
        rig.host.boxes.clear();
        EXPECT_EQ(rig.run(task), TaskResult::Failed) << what;
        EXPECT_EQ(rig.host.box_lines(),
                  (std::vector<std::vector<std::string>>{
                      {"PIC 16F628  ERROR!            Offset = 02007h", "Write Config Failure", "Max Retries Exceeded"},
                      {"PIC 16F628  ERROR!", what, "Not Successfully Completed"}}));
    }
    // Without read-back nothing can tell; the verify after it does.
    rig.host.boxes.clear();
    rig.settings.write_verify = 0;
    rig.settings.verify_after = 1;
    EXPECT_EQ(rig.run(PicTask::Program), TaskResult::Failed);
    ASSERT_EQ(rig.host.boxes.size(), 1u);
    EXPECT_EQ(rig.host.boxes[0].lines[0], "PIC 16F628  ERROR!          PicZone = Config");
    EXPECT_EQ(sim::SimBench::instance().counters().timing_violations, 0u);
}

// Bit 10 of a 16F877 configuration word does not exist and reads 1: an image with it cleared
// programs and verifies; a difference in a bit the chip has still fails the verify.
TEST(Pic16OnBenchConfig, BitsTheChipLacksAreNotCompared) {
    SimRig rig(3, false);
    rig.settings.write_verify = 1;
    rig.settings.verify_after = 1;
    rig.image->config[7] = 0x3B3A;
    EXPECT_EQ(rig.run(PicTask::Program), TaskResult::Done) << ::testing::PrintToString(rig.host.box_lines());
    EXPECT_EQ(rig.run(PicTask::Verify), TaskResult::Done);
    rig.image->config[7] = 0x3B3B;
    rig.host.boxes.clear();
    EXPECT_EQ(rig.run(PicTask::Verify), TaskResult::Failed);
    ASSERT_FALSE(rig.host.boxes.empty());
    EXPECT_EQ(rig.host.boxes[0].lines[0], "PIC 16F877  ERROR!          PicZone = Config");
}

} // namespace
} // namespace korvane
#endif
