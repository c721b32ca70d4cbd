// Every card of the table end to end on the simulated bench: the loader written into the card's
// PIC, the EEPROM programmed, read back, verified and erased through it; switching cards.
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

// Needs no loader image: what a build without them writes.
TEST(CardWithoutLoader, ABlankLoaderLeavesACardThatNeverAnswers) {
    CardBench bench(*iso_card_at(0));
    bench.writer.loader_source = [](int) { return std::string(); };   // as a build without the images
    ASSERT_TRUE(bench.write_loader());
    EXPECT_EQ(bench.run(CardTask::Verify), CardTaskResult::Failed);
    EXPECT_EQ(bench.boxes(), (Lines{{" ERROR!", "No ATR Received"}}));
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
