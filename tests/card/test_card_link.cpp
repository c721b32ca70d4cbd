// The card link on a scripted reader: port settings, reset and answer to reset, Init, the byte
// reader and the one error message per operation.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

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

// A wrong procedure byte (its value taken as the error code) or status byte in Init or a write
// block ends the write with its one message and no verify; the codes of the link's own errors
// come out as their texts when a procedure byte happens to carry them.
TEST(CardLink, ProcedureAndStatusBytesBecomeTheError) {
    using Spoil = std::function<void(test::FakeCard&)>;
    const auto init_procedure = [](std::uint8_t b) -> Spoil {
        return [b](test::FakeCard& c) { c.procedure_for[kInsInit] = b; };
    };
    const auto block_procedure = [](std::uint8_t b) -> Spoil {
        return [b](test::FakeCard& c) { c.procedure_for[kInsWriteBlock] = b; };
    };
    struct Case {
        const char* what;
        Spoil spoil;
        const char* text;
        std::size_t write_blocks;   // sent before the error
    };
    const Case cases[] = {
        {"init 0x6E", init_procedure(0x6E), "Class not valid", 0},
        {"init 0x6D", init_procedure(0x6D), "Instruction not valid", 0},
        {"init 0x67", init_procedure(0x67), "Message Length Not Correct", 0},
        {"init 0x60", init_procedure(0x60), "Unknown Error", 0},
        {"init 0x10", init_procedure(0x10), "Unable To Open COM2", 0},
        {"init 0x01", init_procedure(0x01), "CheckSum Not Correct", 0},
        {"init 0x02", init_procedure(0x02), "No ATR Received", 0},
        {"init 0x03", init_procedure(0x03), "Status Byte UnKnown", 0},
        {"init 0x23", init_procedure(0x23), "Ack Not Received", 0},
        {"init 0x90", init_procedure(0x90), "Unknown Error", 0},
        // 0x00 where a write block's 0x02 was due would read as success if taken as a code.
        {"block 0x00", block_procedure(0x00), "Unknown Error", 1},
        {"block 0x01", block_procedure(0x01), "CheckSum Not Correct", 1},
        {"block 0x6D", block_procedure(0x6D), "Instruction not valid", 1},
        {"init status 0x6F", [](test::FakeCard& c) { c.init_status = 0x6F; }, "Status Byte UnKnown", 0},
        {"init status 0x10", [](test::FakeCard& c) { c.init_status = 0x10; }, "Status Byte UnKnown", 0},
        {"init status missing", [](test::FakeCard& c) { c.drop_init_status = true; }, "Status Byte UnKnown", 0},
        {"write status missing", [](test::FakeCard& c) { c.drop_write_status = true; }, "Status Byte UnKnown", 1},
        {"write status 0x10", [](test::FakeCard& c) { c.write_status = 0x10; }, "CheckSum Not Correct", 1},
        {"write status 0x6F", [](test::FakeCard& c) { c.write_status = 0x6F; }, "Status Byte UnKnown", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardRig rig;
        c.spoil(rig.reader.card);
        EXPECT_EQ(rig.runner.run(CardTask::Program, *rig.image), CardTaskResult::Failed);
        EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", c.text}}));
        EXPECT_EQ(rig.headers(kInsWriteBlock).size(), c.write_blocks);
        EXPECT_EQ(rig.headers(kInsReadBlock).size(), 0u) << "no verify after a failed write";
    }
}

TEST(CardLink, OnlyTheFirstErrorOfAnOperationIsShown) {
    // Missing port (16), then no answer to reset (2): one box, the first.
    CardRig missing;
    missing.reader.missing = true;
    EXPECT_EQ(missing.runner.run(CardTask::Erase, *missing.image), CardTaskResult::Failed);
    EXPECT_EQ(missing.boxes(), (Lines{{" ERROR!", "Unable To Open COM2"}})) << "no second box for the missing ATR";
    EXPECT_EQ(missing.io.task_running, 0);
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
