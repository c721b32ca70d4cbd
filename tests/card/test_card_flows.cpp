// The four flows of the ISO-EEPROM mode and their task frame: messages, the verify that always
// follows a write, the buffer rules (aborts at every pump point: test_card_abort.cpp).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "card_rig.h"

namespace korvane {
namespace {

using ::testing::ElementsAre;
using test::CardRig;

using Lines = std::vector<std::vector<std::string>>;

TEST(CardFlows, ProgramWritesThenVerifies) {
    CardRig rig(6);
    rig.fill_image();
    EXPECT_EQ(rig.runner.run(CardTask::Program, *rig.image), CardTaskResult::Done);
    EXPECT_EQ(rig.reader.card.memory, rig.image_bytes());
    EXPECT_EQ(rig.boxes(), (Lines{{" EEProm", "EEProm Write Through", "Successfully Completed"}}));
    EXPECT_EQ(rig.headers(kInsReadBlock).size(), 64u) << "verified whatever the options say";
    EXPECT_EQ(rig.headers(kInsInit).size(), 2u);
    EXPECT_THAT(rig.view.calls, ElementsAre("abort on", "list off", "list on", "list off", "list on", "abort off"));
    EXPECT_EQ(rig.priorities, (std::vector<int>{rig.settings.priority, 0, 0, 0}))
        << "the link runs at normal priority";
    EXPECT_FALSE(rig.runner.busy());
}

TEST(CardFlows, ReadKeepsTheBufferEmpty) {
    CardRig rig(4);
    for (std::size_t i = 0; i < 2048; ++i) rig.reader.card.memory[i] = std::uint8_t(i ^ 0x3C);
    rig.image->file_name = "old.bin";
    EXPECT_EQ(rig.runner.run(CardTask::Read, *rig.image), CardTaskResult::Done);
    EXPECT_EQ(rig.image_bytes(), rig.reader.card.memory);
    EXPECT_TRUE(rig.image->empty) << "a card read is not a loaded image";
    EXPECT_TRUE(rig.image->file_name.empty());
    EXPECT_TRUE(rig.host.boxes.empty()) << "no message on success";
    EXPECT_THAT(rig.headers(kInsInit).front(), ElementsAre(0xC1, 0x00, 0x00, 0x01, 0x00));
}

TEST(CardFlows, VerifyAndEraseMessages) {
    CardRig rig(6);
    rig.fill_image();
    rig.reader.card.memory = rig.image_bytes();
    EXPECT_EQ(rig.runner.run(CardTask::Verify, *rig.image), CardTaskResult::Done);
    EXPECT_EQ(rig.runner.run(CardTask::Erase, *rig.image), CardTaskResult::Done);
    EXPECT_EQ(rig.boxes(), (Lines{{" EEProm", "EEProm Verify Through", "Successfully Completed"},
                                  {" EEProm", "EEProm Erase Through", "Successfully Completed"}}));
    EXPECT_EQ(rig.reader.card.memory, std::vector<std::uint8_t>(8192, 0xFF));
    EXPECT_TRUE(rig.image->empty);
}

TEST(CardFlows, ConfirmationsComeFirst) {
    CardRig rig(0);
    rig.settings.confirm_program = rig.settings.confirm_erase = 1;
    rig.host.answer = mbNo;
    EXPECT_EQ(rig.runner.run(CardTask::Program, *rig.image), CardTaskResult::NotRun);
    EXPECT_EQ(rig.runner.run(CardTask::Erase, *rig.image), CardTaskResult::NotRun);
    EXPECT_EQ(rig.host.questions,
              (std::vector<std::string>{"Really want to program the Device ?", "Really want to erase the Device ?"}));
    EXPECT_EQ(rig.reader.opens, 0);
    EXPECT_TRUE(rig.view.calls.empty());
}

TEST(CardFlows, WriteWhoseVerifyFailsShowsNoSuccess) {
    for (CardTask task : {CardTask::Program, CardTask::Erase}) {
        CardRig rig(0);
        rig.fill_image();
        rig.reader.card.stuck_address = 0x41;
        EXPECT_EQ(rig.runner.run(task, *rig.image), CardTaskResult::Failed);
        EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "EEProm Verify Through Not Successfull", "Fail Address = 0040h"}}));
    }
}

TEST(CardFlows, AbortDuringReadKeepsWhatWasRead) {
    CardRig rig(6);
    rig.reader.card.memory.assign(8192, 0x11);
    int blocks = 0;
    rig.host.at_pump = 4;
    rig.host.on_pump = [&] { ++blocks, rig.runner.abort(); };
    EXPECT_EQ(rig.runner.run(CardTask::Read, *rig.image), CardTaskResult::Aborted);
    EXPECT_EQ(rig.boxes(), (Lines{{" EEProm", "Process Aborted"}}));
    const auto bytes = rig.image_bytes();
    EXPECT_EQ(bytes[0], 0x11);
    EXPECT_EQ(bytes[8191], 0xFF);
}

} // namespace
} // namespace korvane
