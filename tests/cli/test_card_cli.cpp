// korvane-cli card: the usage rules, and the steps against the simulated card reader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "cli_runner.h"

namespace korvane {
namespace {

using ::testing::HasSubstr;
using test::shell_quote;

using CardCommand = test::SimCli;

TEST_F(CardCommand, UsageErrors) {
    EXPECT_EQ(cli("card"), 2);
    EXPECT_THAT(err, HasSubstr("card needs a card type and a step"));
    EXPECT_EQ(cli("card PlatinumCard erase"), 2);
    EXPECT_THAT(err, HasSubstr("unknown card PlatinumCard (one of GoldCard, BlueCard"));
    EXPECT_EQ(cli("card goldcard read"), 2);
    EXPECT_THAT(err, HasSubstr("read needs one EEPROM image file"));
    EXPECT_EQ(cli("card goldcard erase x.bin"), 2);
    EXPECT_EQ(cli("card goldcard format"), 2);
    EXPECT_THAT(err, HasSubstr("unknown step format"));
    EXPECT_EQ(cli("card --clock 4.00 goldcard erase"), 2);
    EXPECT_EQ(cli("card --reader COM10 goldcard erase"), 2);
    EXPECT_EQ(cli("card --clock 6.00 zencard erase"), 2);
    EXPECT_THAT(err, HasSubstr("an 18F card takes only --clock 3.57"));
}

TEST_F(CardCommand, ACardWithoutLoaderGivesNoAnswerToReset) {
    EXPECT_EQ(cli("card --reader COM2 'GreenCard 64' erase"), 1);
    EXPECT_THAT(err, HasSubstr(" ERROR!: No ATR Received"));
    EXPECT_EQ(cli("card --reader COM7 goldcard read " + shell_quote((dir.path() / "x.bin").string())), 1);
    EXPECT_THAT(err, HasSubstr(" ERROR!: Unable To Open COM7"));
}

// The README's card workflow with both ports on the simulator: each step a process of its own,
// the card (its PIC and its EEPROM) kept between them by the simulator's state directory.
TEST_F(CardCommand, LoaderThenProgramReadBackVerifyErase) {
    std::string image(2048, '\0');
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = char((i * 29 + (i >> 8)) & 0xFF);
    const std::string bin = (dir.path() / "image.bin").string(), back = (dir.path() / "back.bin").string();
    test::write_file(bin, image);

    ASSERT_EQ(cli("-P COM1 card goldcard loader"), 0) << err;
    EXPECT_THAT(err, HasSubstr("loader written"));
    ASSERT_EQ(cli("card --reader COM2 goldcard program " + shell_quote(bin)), 0) << err;
    EXPECT_THAT(err, HasSubstr(" EEProm: EEProm Write Through; Successfully Completed\n"));
    ASSERT_EQ(cli("card --reader COM2 goldcard read " + shell_quote(back)), 0) << err;
    EXPECT_TRUE(test::read_file(back) == image) << "read back identical";
    ASSERT_EQ(cli("card --reader COM2 goldcard verify " + shell_quote(bin)), 0) << err;
    EXPECT_THAT(err, HasSubstr(" EEProm: EEProm Verify Through; Successfully Completed\n"));
    // The faster reader clock reaches the same card.
    ASSERT_EQ(cli("card --reader COM2 --clock 6.00 goldcard verify " + shell_quote(back)), 0) << err;
    ASSERT_EQ(cli("card --reader COM2 goldcard erase"), 0) << err;
    EXPECT_THAT(err, HasSubstr(" EEProm: EEProm Erase Through; Successfully Completed\n"));
    ASSERT_EQ(cli("card --reader COM2 goldcard verify " + shell_quote(bin)), 1);
    EXPECT_THAT(err, HasSubstr(" ERROR!: EEProm Verify Through Not Successfull; Fail Address = 0000h\n"));
    ASSERT_EQ(cli("card --reader COM2 goldcard read " + shell_quote(back)), 0) << err;
    EXPECT_TRUE(test::read_file(back) == std::string(2048, '\xFF'));
}

TEST_F(CardCommand, SimulatedCardFaults) {
    ASSERT_EQ(cli("-P COM1 card goldcard loader"), 0) << err;
    const std::string back = shell_quote((dir.path() / "back.bin").string());
    const std::pair<const char*, const char*> cases[] = {
        {"silent", " ERROR!: No ATR Received"},
        {"badatr", " ERROR!: No ATR Received"},
        {"cardchk", " ERROR!: CheckSum Not Correct"},
    };
    for (const auto& [fault, text] : cases) {
        EXPECT_EQ(cli("card --reader COM2 goldcard read " + back, "KORVANE_SIM=" + std::string(fault)), 1);
        EXPECT_THAT(err, HasSubstr(text)) << fault;
    }
}

} // namespace
} // namespace korvane
