// The PIC tasks on an 18F device through the task runner: what the window and the command line
// see, the erase forms, failures and an abort at every pump.
#include <gtest/gtest.h>

#include "fake_pic18.h"
#include "pic_bench.h"

namespace korvane {
namespace {

class Pic18Tasks : public ::testing::Test, protected test::PicBench<test::FakePic18> {
protected:
    Pic18Tasks() {
        settings.pic_device = 10;
        settings.confirm_erase = settings.unprotect_dev = 0;
        pic.load_settings();
        clear_pic_image(*image, 10);
        pic.select_image(*image);
    }
};

TEST_F(Pic18Tasks, ProgramNeverAsksProtectAndReadBringsTheImageBack) {
    image->config[7] = 0;   // would protect a 16F
    image->code[0] = 0xEF04;
    image->data[1] = 0x5A;
    image->id[7] = 0x42;
    EXPECT_EQ(run(PicTask::Program), TaskResult::Done);
    EXPECT_EQ(host.questions, std::vector<std::string>{"Really want to program the Device ?"});
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines[1], "PIC Programming");
    EXPECT_EQ(view.id, "0420");

    clear_pic_image(*image, 10);
    EXPECT_EQ(run(PicTask::Read), TaskResult::Done);
    EXPECT_FALSE(image->empty);
    EXPECT_EQ(image->code[0], 0xEF04);
    EXPECT_EQ(image->data[1], 0x5A);
    EXPECT_EQ(image->id[7], 0x42);
    EXPECT_EQ(run(PicTask::Verify), TaskResult::Done);
    EXPECT_EQ(host.boxes.back().lines[1], "Verify Successfully Completed");
    EXPECT_FALSE(chip.open);
}

TEST_F(Pic18Tasks, EraseAndClearCpAreBothTheChipEraseWithoutDeviceCheck) {
    chip.device_id = 0x0860;   // an 18F458 in the socket: these tasks do not check
    chip.code.fill(0);
    EXPECT_EQ(run(PicTask::Erase), TaskResult::Done);
    EXPECT_EQ(chip.code[0], 0xFF);
    chip.data.fill(0);
    EXPECT_EQ(run(PicTask::ClearCP), TaskResult::Done);
    EXPECT_EQ(chip.data[0], 0xFF);
    EXPECT_EQ(chip.erases, 2);
    EXPECT_EQ(host.boxes[0].lines, (std::vector<std::string>{"PIC 18F452 ", "PIC Erasing", "Successfully Completed"}));
    EXPECT_EQ(host.boxes[1].lines, (std::vector<std::string>{"PIC 18F452 ", "Code Protection", "Successfully Disabled"}));
    EXPECT_EQ(run(PicTask::Read), TaskResult::Failed);
    EXPECT_EQ(host.boxes.back().lines, (std::vector<std::string>{"PIC 18F452  ERROR!", "Wrong PIC Type Selected"}));
}

TEST_F(Pic18Tasks, ProgramConfigFailureIsATaskFailure) {
    chip.id.fill(0x00);   // programmed and never erased: ones cannot come back
    EXPECT_EQ(run(PicTask::ProgramConfig), TaskResult::Failed);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].lines, (std::vector<std::string>{"PIC 18F452  ERROR!            Offset = 00000h",
                                                             "Write ID Words Failure", "Max Retries Exceeded"}));
    EXPECT_EQ(host.boxes[1].lines,
              (std::vector<std::string>{"PIC 18F452  ERROR!", "PIC Programming", "Not Successfully Completed"}));
    EXPECT_FALSE(chip.open);
}

// The area commands pass "report" as the inverse of VerifyAfter and no verify follows them.
TEST_F(Pic18Tasks, AreaCommandsReportOnlyWithoutVerifyAfter) {
    settings.confirm_program = 0;
    settings.verify_after = 1;
    EXPECT_EQ(run(PicTask::ProgramCode), TaskResult::Done);
    EXPECT_EQ(run(PicTask::ProgramData), TaskResult::Done);
    EXPECT_TRUE(host.boxes.empty());
    chip.stuck_data_low[2] = 0x01;
    image->data[2] = 0x01;
    EXPECT_EQ(run(PicTask::ProgramData), TaskResult::Failed);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines[1], "Write EEProm Failure");
    host.boxes.clear();
    settings.verify_after = 0;
    chip.stuck_data_low.clear();
    EXPECT_EQ(run(PicTask::ProgramCode), TaskResult::Done);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines[1], "PIC Programming");
}

// The device is shrunk so the sweep stays quick.
TEST_F(Pic18Tasks, AbortAtEveryPumpOfReadVerifyAndProgram) {
    settings.confirm_program = 0;
    pic.code_size = 64;
    pic.data_size = 16;
    // skip_3fff picks the code-phase form; verify_after adds verify all's pumps to Program.
    for (int form = 0; form < 4; ++form) {
        settings.skip_3fff = std::uint8_t(form & 1);
        settings.verify_after = std::uint8_t(form >> 1);
        for (PicTask task :
             {PicTask::Read, PicTask::Verify, PicTask::Program, PicTask::ProgramCode, PicTask::ProgramData}) {
            SCOPED_TRACE(int(task) * 10 + form);
            test::expect_abort_at_every_pump(*this, task, "PIC 18F452 ");
        }
    }
}

} // namespace
} // namespace korvane
