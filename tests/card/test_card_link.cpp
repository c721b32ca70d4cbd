// The card link on a scripted reader: port settings, reset and answer to reset, Init, the byte
// reader and the one error message per operation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "card_rig.h"

namespace korvane {
namespace {

using ::testing::ElementsAre;
using test::CardRig;

using Lines = std::vector<std::vector<std::string>>;

TEST(CardLink, ReaderSettingsFollowTheClockOption) {
    const SerialSettings slow = card_reader_settings(0), fast = card_reader_settings(1);
    EXPECT_EQ(slow.baud, 9600u);
    EXPECT_EQ(fast.baud, 16457u);
    for (const SerialSettings& s : {slow, fast}) {
        EXPECT_EQ(s.data_bits, 8);
        EXPECT_EQ(s.parity, Parity::Even);
        EXPECT_EQ(s.stop_bits, 2);
    }
    const SerialTimeouts one = card_reader_timeouts(1), atr = card_reader_timeouts(16);
    EXPECT_EQ(one.read_interval_ms, 10u);
    EXPECT_EQ(one.read_total_ms, 30u);
    EXPECT_EQ(atr.read_total_ms, 180u);

    CardRig rig;
    rig.settings.card_reader_clock = 1;
    ASSERT_TRUE(rig.io.reset_and_answer());
    EXPECT_EQ(rig.reader.card.settings.baud, 16457u);
    EXPECT_EQ(rig.reader.card.settings.parity, Parity::Even);
    EXPECT_EQ(rig.reader.card.timeouts.front().read_total_ms, 180u) << "the answer to reset is one read of 16";
}

TEST(CardLink, ResetPulseOnRtsWithDtrHeld) {
    CardRig rig;
    ASSERT_TRUE(rig.io.reset_and_answer());
    EXPECT_THAT(rig.reader.card.lines, ElementsAre("purge", "purge", "RTS 1", "DTR 1", "RTS 0", "DTR 1"));
    EXPECT_EQ(rig.clock.us, 50000u) << "50 ms before the answer is read";
    rig.io.close_reader_port();
    EXPECT_EQ(rig.reader.card.restores, 1);
}

TEST(CardLink, NoAnswerToResetAfterTenAttempts) {
    for (bool silent : {true, false}) {
        CardRig rig;
        rig.reader.card.silent = silent;
        if (!silent) {
            auto atr = loader_atr();
            atr[14] = 0x91;   // fifteenth byte not 0x90
            rig.reader.card.atr = std::vector<std::uint8_t>(atr.begin(), atr.end());
        }
        EXPECT_FALSE(rig.io.write_blocks(32));
        EXPECT_EQ(rig.reader.card.resets, 10);
        EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "No ATR Received"}}));
        EXPECT_TRUE(rig.reader.card.headers.empty());
    }
}

TEST(CardLink, MissingReaderPortIsReportedOnce) {
    CardRig rig;
    rig.reader.missing = true;
    EXPECT_FALSE(rig.io.read_blocks(128, false));
    EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "Unable To Open COM2"}})) << "no second box for the missing ATR";
    EXPECT_EQ(rig.io.task_running, 0);
}

TEST(CardLink, InitSelectsTheAddressingOfThe24C16) {
    for (int type : {4, 6}) {
        CardRig rig(type);
        ASSERT_TRUE(rig.io.reset_and_answer());
        EXPECT_TRUE(rig.io.init_command());
        ASSERT_EQ(rig.reader.card.headers.size(), 1u);
        EXPECT_THAT(rig.reader.card.headers[0], ElementsAre(0xC1, 0x00, 0x00, type == 4 ? 0x01 : 0x00, 0x00));
        EXPECT_TRUE(rig.host.boxes.empty());
    }
}

TEST(CardLink, ProcedureBytesBecomeTheError) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0x6E, "Class not valid"}, {0x6D, "Instruction not valid"}, {0x67, "Message Length Not Correct"},
        {0x60, "Unknown Error"},   {0x10, "Unable To Open COM2"},
        // The codes of the link's own errors, when a procedure byte happens to carry them.
        {0x01, "CheckSum Not Correct"}, {0x02, "No ATR Received"}, {0x03, "Status Byte UnKnown"},
        {0x23, "Ack Not Received"},     {0x90, "Unknown Error"},
    };
    for (const auto& [procedure, text] : cases) {
        CardRig rig;
        rig.reader.card.procedure_for[kInsInit] = procedure;
        EXPECT_FALSE(rig.io.write_blocks(32));
        EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", text}})) << int(procedure);
        EXPECT_EQ(rig.headers(kInsWriteBlock).size(), 0u);
    }
}

TEST(CardLink, AWrongProcedureByteOfABlockIsTheErrorToo) {
    // 0x00 where a write block's 0x02 was due would read as success if taken as a code.
    const std::pair<std::uint8_t, const char*> cases[] = {{0x00, "Unknown Error"}, {0x01, "CheckSum Not Correct"},
                                                          {0x6D, "Instruction not valid"}};
    for (const auto& [procedure, text] : cases) {
        CardRig rig;
        rig.reader.card.procedure_for[kInsWriteBlock] = procedure;
        EXPECT_EQ(rig.runner.run(CardTask::Program, *rig.image), CardTaskResult::Failed);
        EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", text}})) << int(procedure);
        EXPECT_EQ(rig.headers(kInsWriteBlock).size(), 1u) << "the first block ends the write";
        EXPECT_EQ(rig.headers(kInsReadBlock).size(), 0u) << "no verify after a failed write";
    }
}

TEST(CardLink, StatusBytesAfterInitAndWrite) {
    struct Case {
        const char* what;
        void (*spoil)(test::FakeCard&);
        const char* text;
    };
    const Case cases[] = {
        {"init status 0x6F", [](test::FakeCard& c) { c.init_status = 0x6F; }, "Status Byte UnKnown"},
        {"init status 0x10", [](test::FakeCard& c) { c.init_status = 0x10; }, "Status Byte UnKnown"},
        {"init status missing", [](test::FakeCard& c) { c.drop_init_status = true; }, "Status Byte UnKnown"},
        {"write status missing", [](test::FakeCard& c) { c.drop_write_status = true; }, "Status Byte UnKnown"},
        {"write status 0x10", [](test::FakeCard& c) { c.write_status = 0x10; }, "CheckSum Not Correct"},
    };
    for (const Case& c : cases) {
        CardRig rig;
        c.spoil(rig.reader.card);
        EXPECT_EQ(rig.runner.run(CardTask::Program, *rig.image), CardTaskResult::Failed) << c.what;
        EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", c.text}})) << c.what;
        EXPECT_LE(rig.headers(kInsWriteBlock).size(), 1u) << c.what;
    }
}

TEST(CardLink, OnlyTheFirstErrorOfAnOperationIsShown) {
    // Missing port (16), then no answer to reset (2): one box, the first.
    CardRig missing;
    missing.reader.missing = true;
    EXPECT_EQ(missing.runner.run(CardTask::Erase, *missing.image), CardTaskResult::Failed);
    EXPECT_EQ(missing.boxes(), (Lines{{" ERROR!", "Unable To Open COM2"}}));
    // Each operation shows its own first error again.
    EXPECT_EQ(missing.runner.run(CardTask::Verify, *missing.image), CardTaskResult::Failed);
    EXPECT_EQ(missing.boxes().size(), 2u);
    // A verify difference is the operation's error; nothing follows it.
    CardRig differs;
    differs.fill_image();
    differs.reader.card.memory.assign(8192, 0x00);
    EXPECT_EQ(differs.runner.run(CardTask::Verify, *differs.image), CardTaskResult::Failed);
    EXPECT_EQ(differs.boxes(), (Lines{{" ERROR!", "EEProm Verify Through Not Successfull", "Fail Address = 0000h"}}));
}

TEST(CardLink, SilentCardAfterResetGivesAckNotReceived) {
    CardRig rig;
    rig.reader.card.mute_after_atr = true;
    const int pumps_before = rig.host.pumps;
    EXPECT_FALSE(rig.io.read_blocks(128, false));
    EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "Ack Not Received"}}));
    // Echo arrives, the procedure byte does not: three reads, two pumps between them.
    EXPECT_EQ(rig.host.pumps - pumps_before, 2);
}

TEST(CardLink, ByteReaderRetriesAndAbort) {
    CardRig rig;
    const auto atr = loader_atr();
    std::vector<std::uint8_t> answer(atr.begin(), atr.end());
    answer.insert(answer.end(), {0x42, 0x43});   // two bytes left waiting after the 16 of the answer
    rig.reader.card.atr = answer;
    ASSERT_TRUE(rig.io.reset_and_answer());
    EXPECT_EQ(rig.io.read_one_byte(), 0x42);
    EXPECT_EQ(rig.host.pumps, 0) << "a byte that is there needs no retry";

    rig.io.task_running = 1;
    rig.io.abort();
    EXPECT_EQ(rig.io.read_one_byte(), kNoByte) << "after an abort every byte reads 0x23";
    rig.io.abort_requested = 0;
    EXPECT_EQ(rig.io.read_one_byte(), kNoByte) << "nothing there";
    EXPECT_EQ(rig.host.pumps, 2) << "two retries, each followed by a pump";

    rig.io.task_running = 0;
    rig.io.abort();
    EXPECT_EQ(rig.io.abort_requested, 0) << "no routine runs: the abort does nothing";
}

} // namespace
} // namespace korvane
