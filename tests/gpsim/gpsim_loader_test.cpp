// Our card loaders on gpsim's PICs at the card's clocks: the answer to reset and its bit timing,
// Init, the refusals of a bad header, and a block read with no EEPROM answering, with the reader
// played on the I/O pin (loader_card_rig.h). gpsim missing fails the test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "gpsim/loader_card_rig.h"

namespace korvane::gpsim {
namespace {

struct LoaderCase {
    const char* name;
    LoaderCardPart part;
    double clock_hz;
};

// The card's bit edges land on n etu from the character's start edge, give or take one
// instruction cycle (4 card clocks, about 1 % of an etu): gpsim's resolution.
constexpr int kEdgeToleranceClocks = 4;

const LoaderCase kCases[] = {
    {"p16f84_3m58", {"p16f84", 0}, 3579545},   {"p16f84_6m", {"p16f84", 0}, 6000000},
    {"p16f628_6m", {"p16f628", 1}, 6000000},   {"p16f877_3m58", {"p16f877", 3}, 3579545},
    {"p18f452_6m", {"p18f452", 10}, 6000000},  {"p18f452_3m58", {"p18f452", 10}, 3579545},
};

std::vector<std::uint8_t> values(const std::vector<LineChar>& chars) {
    std::vector<std::uint8_t> v;
    for (const auto& c : chars) v.push_back(c.value);
    return v;
}

// Every character: even parity, each level change on a whole etu from its start edge, and the
// next start edge at least 12 etu (start, 8 data, parity, 2 etu guard time) after it.
void expect_character_timing(const std::vector<LineChar>& chars, const std::string& what) {
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const auto& ch = chars[i];
        EXPECT_TRUE(ch.parity_even) << what << " character " << i;
        for (const std::uint64_t e : ch.edges) {
            const long clocks = long(e - ch.start) * kCardClocksPerCycle;
            const long etu = (clocks + 186) / 372;
            EXPECT_LE(std::labs(clocks - etu * 372), kEdgeToleranceClocks)
                << what << " character " << i << ": an edge " << clocks << " card clocks after the start edge";
        }
        if (i + 1 < chars.size()) {
            EXPECT_GE((chars[i + 1].start - ch.start) * kCardClocksPerCycle, 12u * 372u)
                << what << " characters " << i << " and " << i + 1 << " closer than 12 etu";
        }
    }
}

class GpsimLoader : public testing::TestWithParam<LoaderCase> {
protected:
    void SetUp() override {
        // Short: gpsim's recorder keeps only 19 characters of its file name.
        char dir[] = "/tmp/kvXXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        workdir_ = dir;
    }
    void TearDown() override {
        rig_.reset();
        std::error_code ec;
        std::filesystem::remove_all(workdir_, ec);
    }
    // The card's whole answer to a header: every character, timing checked.
    std::vector<std::uint8_t> answer(const std::vector<std::uint8_t>& header, std::size_t count, const char* what) {
        const auto chars = rig_->receive(count, rig_->send(header));
        expect_character_timing(chars, what);
        return values(chars);
    }
    std::filesystem::path workdir_;
    std::unique_ptr<LoaderCardRig> rig_;
};

TEST_P(GpsimLoader, AnswersResetAndHeadersOnTheCardsTiming) {
    const LoaderCase& c = GetParam();
    try {
        rig_ = std::make_unique<LoaderCardRig>(c.part, c.clock_hz, workdir_);
    } catch (const GpsimError& e) {
        FAIL() << "gpsim cannot run the loader: " << e.what();
    }
    // Answer to reset, within 400..40000 card clocks of the power-on reset.
    const auto atr = rig_->receive(16, 0);
    const std::vector<std::uint8_t> expected_atr = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0x90, 0x00};
    ASSERT_EQ(values(atr), expected_atr);
    EXPECT_GE(atr[0].start * kCardClocksPerCycle, 400u);
    EXPECT_LE(atr[0].start * kCardClocksPerCycle, 40000u);
    expect_character_timing(atr, "answer to reset");

    // The reader sends at its own rate (2 % fast at 6 MHz); each answer is exactly these bytes.
    EXPECT_EQ(answer({0xC1, 0x00, 0x00, 0x01, 0x00}, 2, "init"), (std::vector<std::uint8_t>{0x00, 0x90}));
    EXPECT_EQ(answer({0xC0, 0x01, 0x00, 0x00, 0x11}, 1, "bad class"), std::vector<std::uint8_t>{0x6E});
    EXPECT_EQ(answer({0xC1, 0x07, 0x00, 0x00, 0x11}, 1, "bad instruction"), std::vector<std::uint8_t>{0x6D});
    EXPECT_EQ(answer({0xC1, 0x01, 0x00, 0x00, 0x00}, 1, "length 0"), std::vector<std::uint8_t>{0x67});
    EXPECT_EQ(answer({0xC1, 0x02, 0x00, 0x00, 130}, 1, "length 130"), std::vector<std::uint8_t>{0x67});
    // No EEPROM acknowledges the control byte: 0x23 after the polls, nothing else.
    EXPECT_EQ(answer({0xC1, 0x01, 0x00, 0x00, 129}, 1, "read with no EEPROM"), std::vector<std::uint8_t>{0x23});
    EXPECT_EQ(answer({0xC1, 0x00, 0x00, 0x00, 0x00}, 2, "init after"), (std::vector<std::uint8_t>{0x00, 0x90}));
}

INSTANTIATE_TEST_SUITE_P(Cards, GpsimLoader, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LoaderCase>& i) { return std::string(i.param.name); });

} // namespace
} // namespace korvane::gpsim
