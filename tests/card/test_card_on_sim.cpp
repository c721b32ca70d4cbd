// Every card of the table end to end on the simulated bench: the loader written into the card's
// PIC, the EEPROM programmed, read back, verified and erased through it; abort and the card faults.
#include <gtest/gtest.h>

#include "card_bench.h"

namespace korvane {
namespace {

using test::CardBench;
using Lines = std::vector<std::vector<std::string>>;

class CardOnSim : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (!test::loaders_built()) GTEST_SKIP() << "this build carries no loader images";
    }
};

TEST_P(CardOnSim, LoaderThenProgramReadBackVerifyErase) {
    const TIsoCard& card = *iso_card_at(GetParam());
    CardBench bench(card);
    ASSERT_TRUE(bench.write_loader()) << (bench.host.boxes.empty() ? "" : bench.host.boxes[0].lines.back());
    EXPECT_EQ(bench.pic_view.id.size(), 4u) << "the device ID read from the card's PIC";

    bench.fill_random(unsigned(GetParam() + 1));
    const std::vector<std::uint8_t> image(bench.eeprom->bytes.begin(),
                                          bench.eeprom->bytes.begin() + std::ptrdiff_t(bench.size()));
    ASSERT_EQ(bench.run(CardTask::Program), CardTaskResult::Done) << bench.boxes().back().back();
    clear_eeprom_image(*bench.eeprom, card.shown.eeprom_type);
    ASSERT_EQ(bench.run(CardTask::Read), CardTaskResult::Done);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), bench.eeprom->bytes.begin())) << "read back identical";
    EXPECT_EQ(bench.run(CardTask::Verify), CardTaskResult::Done);
    // Erasing the two largest cards costs as much as programming them: once, on the smallest.
    if (card.shown.eeprom_type <= 4) {
        EXPECT_EQ(bench.run(CardTask::Erase), CardTaskResult::Done);
        ASSERT_EQ(bench.run(CardTask::Read), CardTaskResult::Done);
        for (std::size_t i = 0; i < bench.size(); ++i) ASSERT_EQ(bench.eeprom->bytes[i], 0xFF) << i;
    }
    Lines expected{{" EEProm", "EEProm Write Through", "Successfully Completed"},
                   {" EEProm", "EEProm Verify Through", "Successfully Completed"}};
    if (card.shown.eeprom_type <= 4) expected.push_back({" EEProm", "EEProm Erase Through", "Successfully Completed"});
    EXPECT_EQ(bench.boxes(), expected);
}

std::string card_test_name(const ::testing::TestParamInfo<int>& info) {
    return std::string(iso_card_at(info.param)->button).substr(3);   // "GoldCard", "SilverGalaxy", ...
}

INSTANTIATE_TEST_SUITE_P(EveryCard, CardOnSim, ::testing::Range(0, kIsoCardCount), card_test_name);

class CardFaultsOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::loaders_built()) GTEST_SKIP() << "this build carries no loader images";
    }
    // GoldCard: the smallest EEPROM behind a 16F84.
    const TIsoCard& gold = *iso_card_at(0);
};

// Needs no loader image: what a build without them writes.
TEST(CardWithoutLoader, ABlankLoaderLeavesACardThatNeverAnswers) {
    CardBench bench(*iso_card_at(0));
    bench.writer.loader_source = [](int) { return std::string(); };   // as a build without the images
    ASSERT_TRUE(bench.write_loader());
    EXPECT_EQ(bench.run(CardTask::Verify), CardTaskResult::Failed);
    EXPECT_EQ(bench.boxes(), (Lines{{" ERROR!", "No ATR Received"}}));
}

// The fault comes after the loader was written, so the card it hits does run the loader.
void expect_fault(const TIsoCard& card, const char* fault, const char* text) {
    CardBench bench(card);
    ASSERT_TRUE(bench.write_loader());
    sim::SimBench::instance().set_faults(fault);
    EXPECT_EQ(bench.run(CardTask::Read), CardTaskResult::Failed) << fault;
    EXPECT_EQ(bench.boxes(), (Lines{{" ERROR!", text}})) << fault;
}

TEST_F(CardFaultsOnSim, SilentCard) { expect_fault(gold, "silent", "No ATR Received"); }
TEST_F(CardFaultsOnSim, BadAnswerToReset) { expect_fault(gold, "badatr", "No ATR Received"); }
TEST_F(CardFaultsOnSim, CorruptedBlockChecksum) { expect_fault(gold, "cardchk", "CheckSum Not Correct"); }

TEST_F(CardFaultsOnSim, AbortDuringProgram) {
    CardBench bench(gold);
    ASSERT_TRUE(bench.write_loader());
    bench.host.at_pump = bench.host.pumps + 10;
    bench.host.on_pump = [&] { bench.runner.abort(); };
    bench.fill_random(7);
    EXPECT_EQ(bench.run(CardTask::Program), CardTaskResult::Aborted);
    EXPECT_EQ(bench.boxes(), (Lines{{" EEProm", "Process Aborted"}}));
}

// Write Loader verifies what it writes: a configuration word that does not take (the 16F628's
// was lost this way when its write cycle outlasted the programming delay) fails the command.
TEST_F(CardFaultsOnSim, ConfigurationWordThatDoesNotTakeFailsWriteLoader) {
    CardBench bench(*iso_card_at(5), "stuck=0x2007:0x0001");   // GreenCard 64: 0x3F29 cannot be written
    EXPECT_FALSE(bench.write_loader());
    EXPECT_EQ(bench.boxes(), (Lines{{"PIC 16F628  ERROR!            Offset = 02007h", "Write Config Failure",
                                     "Max Retries Exceeded"}}));
}

// A user changing the card type in one run: the same objects and bench throughout, each card keeping
// its own EEPROM.
TEST(CardSwitching, ThreeCardTypesInOneRunAndBackToTheFirst) {
    if (!test::loaders_built()) GTEST_SKIP() << "this build carries no loader images";
    CardBench bench(*iso_card_at(0));   // GoldCard: 16F84, 24C16
    ASSERT_TRUE(bench.write_loader());
    bench.fill_random(21);
    const std::vector<std::uint8_t> gold(bench.eeprom->bytes.begin(),
                                         bench.eeprom->bytes.begin() + std::ptrdiff_t(bench.size()));
    ASSERT_EQ(bench.run(CardTask::Program), CardTaskResult::Done);
    for (int index : {5, 9}) {   // GreenCard 64 (16F628, 24C64), ZenCard (18F452, 24C256)
        bench.select(*iso_card_at(index));
        ASSERT_TRUE(bench.write_loader()) << index;
        ASSERT_EQ(bench.run(CardTask::Read), CardTaskResult::Done) << index;
    }
    bench.select(*iso_card_at(0));
    ASSERT_TRUE(bench.write_loader());
    std::copy(gold.begin(), gold.end(), bench.eeprom->bytes.begin());
    EXPECT_EQ(bench.run(CardTask::Verify), CardTaskResult::Done);
    EXPECT_EQ(bench.boxes().back(), (std::vector<std::string>{" EEProm", "EEProm Verify Through", "Successfully Completed"}));
}

// Every bench above restarts the simulator's clock; the reader must not carry its old line over.
TEST(CardSwitching, ARestartedBenchStillHearsTheNextCard) {
    if (!test::loaders_built()) GTEST_SKIP() << "this build carries no loader images";
    for (int index : {0, 2}) {   // GoldCard, SilverCard
        CardBench bench(*iso_card_at(index));
        ASSERT_TRUE(bench.write_loader()) << index;
        EXPECT_EQ(bench.run(CardTask::Read), CardTaskResult::Done) << index;
        EXPECT_TRUE(bench.boxes().empty()) << index;
    }
}

} // namespace
} // namespace korvane
