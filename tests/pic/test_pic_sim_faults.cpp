// The simulated chip's faults as both families meet them, end to end on the real line interface.
#include <gtest/gtest.h>

#if __has_include("sim/sim_bench.h")
#include "pic/pic_catalogue.h"
#include "sim_rig.h"

namespace korvane {
namespace {

using test::SimRig;
using Lines = std::vector<std::vector<std::string>>;

struct Part {
    int device;
    bool direct;
    const char* title;   // as the boxes show it
};
// One 16F and one 18F on each backend.
constexpr Part kParts16[] = {{2, true, "PIC 16F876 "}, {1, true, "PIC 16F628 "}, {0, true, "PIC 16F84  "}};
constexpr Part kParts18[] = {{6, true, "PIC 18F252 "}, {8, true, "PIC 18F442 "}, {5, true, "PIC 18F248 "}};

TEST(PicSimFaults, WrongDeviceIdFailsOnlyWithTheCheck) {
    for (auto [part, fault] : {std::pair{kParts16[0], "id=0x09A3"}, std::pair{kParts18[0], "id=0x0423"}}) {
        SCOPED_TRACE(part.title);
        SimRig rig(part.device, part.direct, fault);
        EXPECT_EQ(rig.run(PicTask::Read), TaskResult::Failed);
        EXPECT_EQ(rig.host.box_lines(), (Lines{{std::string(part.title) + " ERROR!", "Wrong PIC Type Selected"}}));
        rig.settings.check_pic = 0;
        EXPECT_EQ(rig.run(PicTask::Read), TaskResult::Done);
        EXPECT_EQ(rig.view.id, "3FFF");
        if (part.device == 2) {
            EXPECT_EQ(rig.pic.device_id_read, 0x09A0);   // read all takes it from word 6
            EXPECT_EQ(rig.pic.revision, 3);
        }
    }
}

TEST(PicSimFaults, EmptySocketReadsBlankAndCannotBeProgrammed) {
    for (const Part& part : {kParts16[1], kParts18[1]}) {
        SCOPED_TRACE(part.title);
        SimRig rig(part.device, part.direct, "empty");
        EXPECT_EQ(rig.run(PicTask::Read), TaskResult::Done);   // an absent device passes the check
        EXPECT_EQ(rig.image->code[0], pic_device(part.device).program_blank);
        EXPECT_EQ(rig.image->data[0], 0xFF);
        rig.image->code[0] = 0x0000;
        EXPECT_EQ(rig.run(PicTask::Program), TaskResult::Failed);
        EXPECT_EQ(rig.host.boxes[0].lines[0], std::string(part.title) + " ERROR!            Offset = 00000h");
        if (is_pic18f(part.device)) {
            rig.settings.current_programmer().invert_data_in = 1;   // the released line now reads 0
            EXPECT_EQ(rig.run(PicTask::Read), TaskResult::Done);
            EXPECT_EQ(rig.image->code[0], 0x0000);
            EXPECT_EQ(rig.image->id[0], 0x00);
        }
    }
}

TEST(PicSimFaults, ProtectedChipReadsZeroUntilProtectionIsRemoved) {
    for (const Part& part : {kParts16[2], kParts18[2]}) {
        SCOPED_TRACE(part.title);
        SimRig rig(part.device, part.direct);
        rig.image->code[1] = 0x1234;
        ASSERT_EQ(rig.run(PicTask::Program), TaskResult::Done);
        sim::SimBench::instance().set_faults("protect");
        clear_pic_image(*rig.image, part.device);
        ASSERT_EQ(rig.run(PicTask::Read), TaskResult::Done);
        EXPECT_EQ(rig.image->code[1], 0x0000);
        ASSERT_EQ(rig.run(PicTask::ClearCP), TaskResult::Done);
        EXPECT_EQ(rig.host.boxes.back().lines,
                  (std::vector<std::string>{part.title, "Code Protection", "Successfully Disabled"}));
        ASSERT_EQ(rig.run(PicTask::Read), TaskResult::Done);
        EXPECT_EQ(rig.image->code[1], pic_device(part.device).program_blank);
        if (!is_pic18f(part.device)) {
            EXPECT_EQ(rig.image->config[7] & 0x3FF0, 0x3FF0);
        }
    }
}

TEST(PicSimFaults, ChipSlowerThanTheProgrammingDelayFailsUntilTheDelayIsRaised) {
    for (auto [device, direct] : {std::pair{0, true}, std::pair{4, false}}) {
        SCOPED_TRACE(device);
        SimRig rig(device, direct, "tprog=15");
        rig.settings.skip_3fff = 0;
        rig.settings.current_programmer().max_retries = 1;
        rig.image->code[0] = 0x0000;
        EXPECT_EQ(rig.run(PicTask::Program), TaskResult::Failed);
        EXPECT_GT(sim::SimBench::instance().counters().timing_violations, 0u);
        rig.host.boxes.clear();
        rig.settings.current_programmer().prog_delay_ms = 16;
        EXPECT_EQ(rig.run(PicTask::Program), TaskResult::Done);
    }
}

} // namespace
} // namespace korvane
#endif
