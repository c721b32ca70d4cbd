// The EEPROM tasks through the runner: confirmations, busy frame, flows and their messages.
#include <gtest/gtest.h>

#include "app/recent_lists.h"
#include "ee_rig.h"

namespace korvane::test {
namespace {

using Lines = std::vector<std::string>;

Lines captions_and_bodies(const FakeHost& h) {
    Lines out;
    for (const auto& b : h.boxes) {
        std::string s;
        for (const auto& l : b.lines) s += l + "|";
        out.push_back(s);
    }
    return out;
}

TEST(EEPromTasks, ConfirmationsAnsweredNoOpenNothing) {
    EERig rig(4);
    rig.settings.confirm_program = rig.settings.confirm_erase = 1;
    rig.host.answer = mbNo;
    EXPECT_EQ(rig.run(EEPromTask::Program), TaskResult::NotRun);
    EXPECT_EQ(rig.run(EEPromTask::Erase), TaskResult::NotRun);
    EXPECT_EQ(rig.host.questions, (Lines{"Really want to program the Device ?", "Really want to erase the Device ?"}));
    EXPECT_EQ(rig.chip.opens, 0);
    EXPECT_TRUE(rig.view.log.empty());
    EXPECT_EQ(rig.run(EEPromTask::Read), TaskResult::Done);   // read and verify ask nothing
    EXPECT_EQ(rig.host.questions.size(), 2u);
}

TEST(EEPromTasks, ReadFillsTheBufferClearsItsNameAndAddsTheRecentDevice) {
    EERig rig(4);
    for (std::size_t i = 0; i < rig.chip.memory.size(); ++i) rig.chip.memory[i] = std::uint8_t(i * 7);
    rig.image->file_name = "old.bin";
    rig.host.status[2] = "old.bin";
    EXPECT_EQ(rig.run(EEPromTask::Read), TaskResult::Done);
    EXPECT_TRUE(rig.image_matches_chip());
    EXPECT_FALSE(rig.image->empty);
    EXPECT_TRUE(rig.image->file_name.empty());
    EXPECT_EQ(rig.host.status[2], "");
    EXPECT_TRUE(rig.host.boxes.empty());   // no message on success
    EXPECT_EQ(rig.view.log, "amlmLA");
    EXPECT_EQ(rig.host.cursor, (std::vector<bool>{true, false}));
    EXPECT_EQ(rig.ee.task_running, 0);
    EXPECT_EQ(rig.chip.closes, 1);
    const auto recent = recent_device_items(rig.settings);
    ASSERT_EQ(recent.size(), 1u);
    EXPECT_EQ(recent[0].caption, "EEProm 24C16");
    EXPECT_FALSE(rig.runner.busy());
}

TEST(EEPromTasks, ProgramWithVerifyAfterOpensTwiceAndReportsOnce) {
    EERig rig(6);
    rig.settings.eprom_verify_after = 1;
    rig.fill_random(6);
    EXPECT_EQ(rig.run(EEPromTask::Program), TaskResult::Done);
    EXPECT_TRUE(rig.image_matches_chip());
    EXPECT_EQ(rig.chip.opens, 2);
    EXPECT_EQ(rig.chip.target_ons, 4);   // each open, and each routine again
    EXPECT_EQ(captions_and_bodies(rig.host), (Lines{" EEProm|EEProm Write Successfully Completed|"}));
    EXPECT_EQ(rig.host.boxes[0].kind, MsgKind::Information);

    rig.host.boxes.clear();
    rig.chip.memory[0x1FFF] ^= 1;
    EXPECT_EQ(rig.run(EEPromTask::Program), TaskResult::Done);   // written again, verified
    rig.chip.memory[0x0ABC] ^= 0x80;
    EXPECT_EQ(rig.run(EEPromTask::Verify), TaskResult::Failed);
    EXPECT_EQ(captions_and_bodies(rig.host),
              (Lines{" EEProm|EEProm Write Successfully Completed|",
                     " ERROR!|EEProm Verify Not Successfull|Fail Address = 0ABCh|"}));
}

TEST(EEPromTasks, VerifyAfterFindingADifferenceGivesNoWriteMessage) {
    EERig rig(1);
    rig.settings.eprom_verify_after = 1;
    rig.fill_random(2);
    // A cell that never changes: the write goes through, the verify finds it.
    rig.chip.on_line_change = [&] { rig.chip.memory[0x42] = std::uint8_t(~rig.image->bytes[0x42]); };
    EXPECT_EQ(rig.run(EEPromTask::Program), TaskResult::Failed);
    EXPECT_EQ(captions_and_bodies(rig.host), (Lines{" ERROR!|EEProm Verify Not Successfull|Fail Address = 0042h|"}));
}

TEST(EEPromTasks, VerifySuccessAndEmptySocket) {
    EERig rig(0);
    EXPECT_EQ(rig.run(EEPromTask::Verify), TaskResult::Done);   // blank chip, blank buffer
    EXPECT_EQ(captions_and_bodies(rig.host), (Lines{" EEProm|EEProm Verify Successfully Completed|"}));

    rig.host.boxes.clear();
    rig.chip.present = false;
    EXPECT_EQ(rig.run(EEPromTask::Read), TaskResult::Failed);
    EXPECT_EQ(rig.run(EEPromTask::Verify), TaskResult::Failed);
    EXPECT_EQ(captions_and_bodies(rig.host),
              (Lines{" ERROR!|EEProm No Acknowledge Received|", " ERROR!|EEProm No Acknowledge Received|"}));
    EXPECT_TRUE(rig.image->empty);
    for (int i = 0; i < 128; ++i) ASSERT_EQ(rig.image->bytes[std::size_t(i)], 0xFF);
}

TEST(EEPromTasks, EraseWritesFFVerifiesAndLeavesTheBufferBlank) {
    EERig rig(2);
    std::fill(rig.chip.memory.begin(), rig.chip.memory.end(), 0x5A);
    rig.fill_random(9);
    rig.image->empty = false;
    rig.settings.eprom_verify_after = 1;   // the erase's write never verifies by itself
    EXPECT_EQ(rig.run(EEPromTask::Erase), TaskResult::Done);
    EXPECT_EQ(std::count(rig.chip.memory.begin(), rig.chip.memory.end(), 0xFF), 512);
    EXPECT_EQ(rig.chip.opens, 2);
    EXPECT_EQ(captions_and_bodies(rig.host), (Lines{" EEProm|EEProm Erase Successfully Completed|"}));
    EXPECT_TRUE(rig.image->empty);
    EXPECT_EQ(rig.view.log, "amllLlkLLA");

    rig.host.boxes.clear();
    rig.fill_random(10);
    rig.image->empty = false;
    rig.chip.present = false;
    EXPECT_EQ(rig.run(EEPromTask::Erase), TaskResult::Failed);
    EXPECT_EQ(captions_and_bodies(rig.host), (Lines{" ERROR!|EEProm No Acknowledge Received|"}));
    EXPECT_TRUE(rig.image->empty);
    for (int i = 0; i < 512; ++i) ASSERT_EQ(rig.image->bytes[std::size_t(i)], 0xFF);
}

TEST(EEPromTasks, AbortDuringProgramSkipsTheVerifyAndEveryResultMessage) {
    EERig rig(5);
    rig.settings.eprom_verify_after = 1;
    rig.fill_random(4);
    rig.host.at_pump = 10;
    rig.host.on_pump = [&] { rig.runner.abort(); };
    EXPECT_EQ(rig.run(EEPromTask::Program), TaskResult::Aborted);
    EXPECT_EQ(rig.chip.opens, 1);
    EXPECT_EQ(captions_and_bodies(rig.host), (Lines{"EEProm 24C32|Process Aborted|"}));
    EXPECT_EQ(rig.progress.position, 0);
    EXPECT_FALSE(rig.runner.busy());
    EXPECT_EQ(rig.ee.task_running, 0);
}

TEST(EEPromTasks, APortThatDoesNotOpenEndsTheFlowQuietly) {
    EERig rig(4);
    rig.chip.open_ok = false;
    for (EEPromTask t : {EEPromTask::Read, EEPromTask::Program, EEPromTask::Verify})
        EXPECT_EQ(rig.run(t), TaskResult::Failed);
    EXPECT_TRUE(rig.host.boxes.empty());   // the line interface reports the port itself
    EXPECT_EQ(rig.view.log.find('l'), std::string::npos);
    EXPECT_EQ(rig.ee.task_running, 0);
    EXPECT_TRUE(recent_device_items(rig.settings).empty());
}

// Aborting at any pump of a task: one notice and nothing after it, the port closed, the busy
// period over, the device list enabled again, and a read that was stopped leaves the buffer
// flagged empty. The first and the last pump belong to the busy period, outside any operation.
TEST(EEPromTasks, AbortAtEveryPumpOfEveryTask) {
    for (EEPromTask task : {EEPromTask::Read, EEPromTask::Program, EEPromTask::Verify, EEPromTask::Erase}) {
        SCOPED_TRACE(int(task));
        EERig rig(0);
        rig.settings.eprom_verify_after = 1;
        ASSERT_EQ(rig.run(task), TaskResult::Done);
        const int total = rig.host.pumps;
        ASSERT_GT(total, 128);
        for (int n = 2; n < total; ++n) {
            SCOPED_TRACE(n);
            rig.host.boxes.clear();
            rig.host.pumps = 0;
            rig.host.at_pump = n;
            rig.host.on_pump = [&] { rig.runner.abort(); };
            rig.view.log.clear();
            rig.image->empty = true;
            ASSERT_EQ(rig.run(task), TaskResult::Aborted);
            ASSERT_EQ(captions_and_bodies(rig.host), (Lines{"EEProm 24C01|Process Aborted|"}));
            ASSERT_EQ(rig.host.boxes[0].kind, MsgKind::Warning);
            ASSERT_EQ(rig.chip.opens, rig.chip.closes);
            ASSERT_EQ(rig.ee.task_running, 0);
            ASSERT_FALSE(rig.runner.busy());
            ASSERT_EQ(rig.view.log.back(), 'A');
            ASSERT_EQ(rig.view.log[rig.view.log.size() - 2], 'L');
            ASSERT_EQ(rig.progress.position, 0);
            if (task == EEPromTask::Read) {
                ASSERT_TRUE(rig.image->empty);
            }
        }
    }
}

} // namespace
} // namespace korvane::test
