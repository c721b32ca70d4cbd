// korvane-cli card: the usage rules, and the steps against the simulated card reader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "cli_runner.h"

namespace korvane {
namespace {

using ::testing::HasSubstr;
using test::shell_quote;
using test::TempDir;

class CardCommand : public ::testing::Test {
protected:
    // Both ports lead to the simulator; nothing real is ever opened.
    int cli(const std::string& args) {
        // COM7 leads to a path that does not exist: a reader port that will not open.
        const std::string env = "KORVANE_COM1=SIM KORVANE_COM2=SIM KORVANE_COM7=/nonexistent/reader "
                                "KORVANE_SIM_CLOCK=virtual KORVANE_SIM_DIR=" +
                                shell_quote(sim_dir.str()) + " KORVANE_CONFIG_DIR=" + shell_quote(cfg_dir.str());
        const test::CliRun r = test::run_cli(dir, args, env);
        err = r.err;
        return r.status;
    }
    TempDir dir, sim_dir, cfg_dir;
    std::string err;
};

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
}

TEST_F(CardCommand, ACardWithoutLoaderGivesNoAnswerToReset) {
    EXPECT_EQ(cli("card --reader COM2 'GreenCard 64' erase"), 1);
    EXPECT_THAT(err, HasSubstr(" ERROR!: No ATR Received"));
    EXPECT_EQ(cli("card --reader COM7 goldcard read " + shell_quote((dir.path() / "x.bin").string())), 1);
    EXPECT_THAT(err, HasSubstr(" ERROR!: Unable To Open COM7"));
}

} // namespace
} // namespace korvane
