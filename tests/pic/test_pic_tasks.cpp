// The PIC task runner: confirmations, the busy period, the device check, the buffer rules and
// the guarantee that every ending closes the programmer and drops the busy flag.
#include <gtest/gtest.h>

#include <stdexcept>

#include "fake_pic16.h"
#include "pic_bench.h"

namespace korvane {
namespace {

class PicTasks : public ::testing::Test, protected test::PicBench<test::FakePic16> {
protected:
    PicTasks() {
        settings.priority = 1;
        pic.load_settings();
        clear_pic_image(*image, 0);
        pic.select_image(*image);
        runner.set_priority = [this](int p) { priorities.push_back(p); };
    }
    void expect_ended_cleanly() {
        EXPECT_FALSE(chip.open);
        EXPECT_EQ(pic.task_running, 0);
        EXPECT_FALSE(runner.busy());
        if (!priorities.empty()) {
            EXPECT_EQ(priorities.back(), 0);
        }
        EXPECT_EQ(view.enables, view.disables);
    }

    std::vector<int> priorities;
};

TEST_F(PicTasks, ProgramAnsweredNoOpensNothingAndNeverGetsBusy) {
    host.answer = mbNo;
    EXPECT_EQ(run(PicTask::Program), TaskResult::NotRun);
    EXPECT_EQ(host.questions, std::vector<std::string>{"Really want to program the Device ?"});
    EXPECT_EQ(chip.opens, 0);
    EXPECT_EQ(view.enables, 0);
    EXPECT_TRUE(priorities.empty());
}

TEST_F(PicTasks, ProtectQuestionFollowsTheConfigurationWord) {
    image->config[7] = 0x3FFF;
    EXPECT_EQ(run(PicTask::Program), TaskResult::Done);
    EXPECT_EQ(host.questions.size(), 1u);
    host.questions.clear();
    image->config[7] = 0x000F;
    run(PicTask::Program);
    EXPECT_EQ(host.questions, (std::vector<std::string>{"Really want to program the Device ?",
                                                        "Really want to protect the Device ?"}));
}

TEST_F(PicTasks, ReadFillsTheBufferAndRunsTheWholeFrame) {
    chip.code[5] = 0x1234;
    image->file_name = "/x/old.hex";
    host.status[2] = "old.hex";
    EXPECT_EQ(run(PicTask::Read), TaskResult::Done);
    EXPECT_EQ(image->code[5], 0x1234);
    EXPECT_FALSE(image->empty);
    EXPECT_TRUE(image->file_name.empty());
    EXPECT_EQ(host.status[2], "");
    EXPECT_EQ(view.ids, std::vector<std::string>{"0560"});
    EXPECT_EQ(view.locks, 1);
    EXPECT_EQ(view.refreshes, std::vector<bool>{true});
    EXPECT_EQ(priorities, (std::vector<int>{1, 0}));
    EXPECT_EQ(host.cursor, (std::vector<bool>{true, false}));
    EXPECT_EQ(settings.recent_devices[0].kind, 1);
    EXPECT_TRUE(host.boxes.empty());
    expect_ended_cleanly();
}

TEST_F(PicTasks, CheckOffShowsTheUncheckedIdAndWrongDeviceStopsTheTask) {
    settings.check_pic = 0;
    chip.config[6] = 0x09A0;
    run(PicTask::Read);
    EXPECT_EQ(view.ids.front(), "3FFF");
    settings.check_pic = 1;
    chip.code[0] = 0x1111;
    EXPECT_EQ(run(PicTask::Read), TaskResult::Failed);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines, (std::vector<std::string>{"PIC 16F84   ERROR!", "Wrong PIC Type Selected"}));
    EXPECT_EQ(view.ids.size(), 1u);
    EXPECT_NE(image->code[0], 0x1111);
    expect_ended_cleanly();
}

TEST_F(PicTasks, VerifyMismatchIsAFailure) {
    settings.verify_after = 1;
    image->code[0] = 0x0ABC;
    EXPECT_EQ(run(PicTask::Program), TaskResult::Done);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines[1], "Programming and Verify");
    image->code[0] = 0x0ABD;
    EXPECT_EQ(run(PicTask::Verify), TaskResult::Failed);
    EXPECT_EQ(host.boxes.back().lines[0], "PIC 16F84   ERROR!          PicZone = Program");
    expect_ended_cleanly();
}

TEST_F(PicTasks, PortThatWillNotOpenEndsTheTaskClosed) {
    chip.open_ok = false;
    EXPECT_EQ(run(PicTask::Read), TaskResult::Failed);
    EXPECT_TRUE(view.ids.empty());
    expect_ended_cleanly();
}

TEST_F(PicTasks, EraseAndClearCpAskTheirQuestionAndSkipTheDeviceCheck) {
    chip.config[6] = 0x09A0;   // wrong device: no check for these
    EXPECT_EQ(run(PicTask::Erase), TaskResult::Done);
    EXPECT_EQ(run(PicTask::ClearCP), TaskResult::Done);
    EXPECT_EQ(host.questions, (std::vector<std::string>{"Really want to erase the Device ?",
                                                        "Really want to unprotect the Device ?"}));
    EXPECT_EQ(host.boxes[0].lines[1], "PIC Erasing");
    EXPECT_EQ(host.boxes[1].lines[1], "Code Protection");
    EXPECT_EQ(view.enables, 1);   // Clear CP runs without the Abort button
    expect_ended_cleanly();
}

TEST_F(PicTasks, ProgramConfigAsksOnlyProtectAndRunsWithoutTheAbortFrame) {
    image->config = {1, 2, 3, 4, 0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF};
    EXPECT_EQ(run(PicTask::ProgramConfig), TaskResult::Done);
    EXPECT_TRUE(host.questions.empty());   // an unprotected word: nothing to ask
    EXPECT_EQ(chip.config[3], 4);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines,
              (std::vector<std::string>{"PIC 16F84  ", "Config Programming", "Successfully Completed"}));
    // No Abort button, cursor or priority; no PICID, lock or recent device either.
    EXPECT_EQ(view.enables, 0);
    EXPECT_TRUE(host.cursor.empty());
    EXPECT_TRUE(priorities.empty());
    EXPECT_TRUE(view.ids.empty());
    EXPECT_EQ(view.locks, 0);
    EXPECT_EQ(settings.recent_devices[0].kind, 0);
    expect_ended_cleanly();

    image->config[7] = 0x000F;
    host.answer = mbNo;
    EXPECT_EQ(run(PicTask::ProgramConfig), TaskResult::NotRun);
    EXPECT_EQ(host.questions, std::vector<std::string>{"Really want to protect the Device ?"});
    EXPECT_EQ(chip.opens, 1);

    chip.config[6] = 0x09A0;
    host.answer = mbYes;
    host.boxes.clear();
    EXPECT_EQ(run(PicTask::ProgramConfig), TaskResult::Failed);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines[1], "Wrong PIC Type Selected");
    EXPECT_NE(chip.config[7], 0x000F);
    expect_ended_cleanly();
}

TEST_F(PicTasks, IsoPicModeNeverAsksTheProtectQuestion) {
    runner.iso_pic_mode = true;
    image->config[7] = 0x000F;
    EXPECT_EQ(run(PicTask::ProgramConfig), TaskResult::Done);
    EXPECT_TRUE(host.questions.empty());
    EXPECT_EQ(run(PicTask::ProgramCode), TaskResult::Done);
    EXPECT_EQ(host.questions, std::vector<std::string>{"Really want to program the Device ?"});
}

TEST_F(PicTasks, ASecondTaskFromThePumpIsRefused) {
    TaskResult inner = TaskResult::Done;
    host.at_pump = 5;
    host.on_pump = [&] { inner = run(PicTask::Erase); };
    EXPECT_EQ(run(PicTask::Read), TaskResult::Done);
    EXPECT_EQ(inner, TaskResult::NotRun);
    EXPECT_EQ(chip.opens, 1);
}

TEST_F(PicTasks, AnExceptionStillClosesThePortAndDropsTheFlag) {
    host.at_pump = 50;
    host.on_pump = [] { throw std::runtime_error("window gone"); };
    EXPECT_THROW(run(PicTask::Read), std::runtime_error);
    expect_ended_cleanly();
}

TEST_F(PicTasks, AbortAtEveryPumpOfReadVerifyAndProgram) {
    settings.confirm_program = 0;
    for (PicTask task : {PicTask::Read, PicTask::Verify, PicTask::Program}) {
        SCOPED_TRACE(int(task));
        test::expect_abort_at_every_pump(*this, task, "PIC 16F84  ");
    }
}

} // namespace
} // namespace korvane
