// The pure frame layer: headers, checksum, answer to reset, the read block judgement, the fail address.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "card/card_frames.h"
#include "card/card_messages.h"

namespace korvane {
namespace {

using ::testing::ElementsAre;

TEST(CardFrames, Headers) {
    EXPECT_THAT(init_header(false), ElementsAre(0xC1, 0x00, 0x00, 0x00, 0x00));
    EXPECT_THAT(init_header(true), ElementsAre(0xC1, 0x00, 0x00, 0x01, 0x00));
    EXPECT_THAT(write_block_header(0x1FE0, 32), ElementsAre(0xC1, 0x02, 0x1F, 0xE0, 0x21));
    EXPECT_THAT(read_block_header(0x7F80, 128), ElementsAre(0xC1, 0x01, 0x7F, 0x80, 0x81));
    const std::uint8_t bytes[] = {0x12, 0x34, 0xFF};
    EXPECT_EQ(block_checksum(bytes), 0x12 ^ 0x34 ^ 0xFF);
    EXPECT_EQ(block_checksum({}), 0);
}

TEST(CardFrames, AnswerToReset) {
    auto atr = loader_atr();
    EXPECT_TRUE(atr_accepted(atr));
    std::vector<std::uint8_t> longer(atr.begin(), atr.end());
    longer.push_back(0x55);
    EXPECT_TRUE(atr_accepted(longer)) << "only the first 16 bytes count";
    EXPECT_FALSE(atr_accepted(std::span(atr.data(), 15)));
    atr[14] = 0x91;
    EXPECT_FALSE(atr_accepted(atr)) << "the fifteenth byte must be 0x90";
    EXPECT_FALSE(atr_accepted({}));
}

// Each procedure and status byte's error is checked where the link shows it
// (CardLink.ProcedureAndStatusBytesBecomeTheError).
TEST(CardFrames, AZeroProcedureByteWhereAnotherInstructionIsDueFails) {
    // Found by fuzzing: 0x00 used as the error code read as success, so a read or write block
    // went on after a wrong procedure byte.
    EXPECT_NE(procedure_error(0x00, kInsReadBlock), kCardOk);
    EXPECT_NE(procedure_error(0x00, kInsWriteBlock), kCardOk);
    EXPECT_EQ(procedure_error(0x00, kInsInit), kCardOk);
    EXPECT_EQ(card_error_text(procedure_error(0x00, kInsWriteBlock), "COM2"), "Unknown Error");
    const ReadBlockReply r = decode_read_block(std::vector<std::uint8_t>{0x00, 0xAA, 0x0F, 0xAA ^ 0x0F}, 2);
    EXPECT_NE(r.error, kCardOk);
    EXPECT_TRUE(r.data.empty());
}

TEST(CardFrames, ReadBlockReplies) {
    const std::vector<std::uint8_t> good = {0x01, 0xAA, 0x0F, 0xAA ^ 0x0F};
    ReadBlockReply r = decode_read_block(good, 2);
    EXPECT_EQ(r.error, 0);
    EXPECT_THAT(r.data, ElementsAre(0xAA, 0x0F));

    EXPECT_EQ(decode_read_block(std::vector<std::uint8_t>{0x01, 0xAA, 0x0F, 0x00}, 2).error, kCardChecksum);
    r = decode_read_block(std::vector<std::uint8_t>{0x01, 0xAA, 0x0F}, 2);
    EXPECT_EQ(r.error, kCardChecksum) << "a missing checksum is a wrong one";
    r = decode_read_block(std::vector<std::uint8_t>{0x01, 0xAA}, 2);
    EXPECT_EQ(r.error, kCardChecksum);
    EXPECT_THAT(r.data, ElementsAre(0xAA, kNoByte)) << "missing data bytes read as 0x23";
    EXPECT_EQ(decode_read_block({}, 2).error, kCardNoAck);
    r = decode_read_block(std::vector<std::uint8_t>{0x6D, 1, 2, 3}, 2);
    EXPECT_EQ(r.error, 0x6D);
    EXPECT_TRUE(r.data.empty());

    // Verifying: the first difference wins over a bad checksum.
    const std::uint8_t expected[] = {0xAA, 0x0E};
    r = decode_read_block(std::vector<std::uint8_t>{0x01, 0xAA, 0x0F, 0x00}, 2, expected);
    EXPECT_TRUE(r.verify_failed);
    EXPECT_EQ(r.first_difference, 1u);
    const std::uint8_t same[] = {0xAA, 0x0F};
    r = decode_read_block(good, 2, same);
    EXPECT_FALSE(r.verify_failed);
    EXPECT_EQ(r.error, 0);
}

// The error texts are checked where the link shows them (test_card_link.cpp).
TEST(CardFrames, FailAddressInUpperCaseHex) {
    EXPECT_EQ(card_fail_address(0x0100), "Fail Address = 0100h");
    EXPECT_EQ(card_fail_address(0xFF80), "Fail Address = FF80h");
}

} // namespace
} // namespace korvane
