// Our card loaders on gpsim's PICs at the card's clocks: the answer to reset and its bit timing,
// Init, the refusals of a bad header, a block read with no EEPROM answering, and block reads and
// writes against a 24Cxx, with the reader played on the I/O pin and the EEPROM on its pins
// (loader_card_rig.h). gpsim missing fails the test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>
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
// The model's page write time: real 24Cxx take up to 5 ms; a shorter one still makes the loader
// poll (its first poll comes straight after the STOP) and keeps each poll's halts few.
constexpr double kWriteMicroseconds = 500;

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

std::uint8_t xor_of(const std::vector<std::uint8_t>& bytes) {
    return std::accumulate(bytes.begin(), bytes.end(), std::uint8_t(0),
                           [](std::uint8_t a, std::uint8_t b) { return std::uint8_t(a ^ b); });
}

template <class Case>
class GpsimLoaderBase : public testing::TestWithParam<Case> {
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

using GpsimLoader = GpsimLoaderBase<LoaderCase>;

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

// A card's 24Cxx: the program's read block for it, and its page (the program's write block).
struct EepromCase {
    const char* name;
    LoaderCardPart part;
    double clock_hz;
    Eeprom24Geometry eeprom;
    std::size_t read_block;
};

constexpr Eeprom24Geometry k24C16{2048, 16, true}, k24C64{8192, 32, false}, k24C256{32768, 64, false};

const EepromCase kEepromCases[] = {
    {"p16f84_3m58_24c16", {"p16f84", 0}, 3579545, k24C16, 128},
    {"p16f84_6m_24c64", {"p16f84", 0}, 6000000, k24C64, 32},
    {"p16f628_6m_24c64", {"p16f628", 1}, 6000000, k24C64, 32},
    {"p16f877_3m58_24c256", {"p16f877", 3}, 3579545, k24C256, 32},
    {"p18f452_6m_24c256", {"p18f452", 10}, 6000000, k24C256, 128},
    {"p18f452_3m58_24c16", {"p18f452", 10}, 3579545, k24C16, 32},
};

using GpsimLoaderEeprom = GpsimLoaderBase<EepromCase>;

// A block read gives the chip's bytes and their checksum; a write block lands in the chip exactly;
// a write block with a wrong checksum is refused and leaves the chip as it was.
TEST_P(GpsimLoaderEeprom, ReadsAndWritesBlocksAndRefusesAWrongChecksum) {
    const EepromCase& c = GetParam();
    try {
        rig_ = std::make_unique<LoaderCardRig>(c.part, c.clock_hz, workdir_, c.eeprom, kWriteMicroseconds);
    } catch (const GpsimError& e) {
        FAIL() << "gpsim cannot run the loader: " << e.what();
    }
    LoaderCardRig& card = *rig_;
    auto& memory = card.eeprom().memory();
    for (std::size_t a = 0; a < memory.size(); ++a) memory[a] = std::uint8_t(a * 7 + (a >> 8) + 3);
    ASSERT_EQ(values(card.receive(16, 0)).size(), 16u);
    const std::uint8_t mode = c.eeprom.block_bits ? 0x01 : 0x00;
    ASSERT_EQ(card.exchange({0xC1, 0x00, 0x00, mode, 0x00}, 2), (std::vector<std::uint8_t>{0x00, 0x90}));

    // Across a 256-byte boundary: the 24C16 carries address bits 10..8 in its control byte.
    const std::size_t read_at = 0x1F0, n = c.read_block;
    const std::vector<std::uint8_t> held(memory.begin() + long(read_at), memory.begin() + long(read_at + n));
    std::vector<std::uint8_t> want = {0x01};
    want.insert(want.end(), held.begin(), held.end());
    want.push_back(xor_of(held));
    const auto read = answer({0xC1, 0x01, std::uint8_t(read_at >> 8), std::uint8_t(read_at), std::uint8_t(n + 1)},
                             want.size(), "read block");
    EXPECT_EQ(read, want);
    for (std::size_t i = 0; i < std::min(read.size(), want.size()); ++i)
        if (read[i] != want[i]) ADD_FAILURE() << "read byte " << i << ": " << int(read[i]) << " not " << int(want[i]);

    // One page at a page start.
    const std::size_t write_at = 0x340, page = c.eeprom.page;
    std::vector<std::uint8_t> block(page);
    for (std::size_t i = 0; i < page; ++i) block[i] = std::uint8_t(0xA5 ^ (i * 13));
    std::vector<std::uint8_t> after = memory;
    std::copy(block.begin(), block.end(), after.begin() + long(write_at));
    const std::vector<std::uint8_t> header = {0xC1, 0x02, std::uint8_t(write_at >> 8), std::uint8_t(write_at),
                                              std::uint8_t(page + 1)};
    ASSERT_EQ(answer(header, 1, "write block"), std::vector<std::uint8_t>{0x02});
    std::vector<std::uint8_t> frame = block;
    frame.push_back(xor_of(block));
    EXPECT_EQ(answer(frame, 1, "write status"), std::vector<std::uint8_t>{0x90});
    EXPECT_TRUE(memory == after) << "the EEPROM after the write block differs";
    EXPECT_EQ(card.eeprom().page_writes(), 1);

    // Eight other bytes over the page with one checksum bit wrong: refused, nothing written.
    std::vector<std::uint8_t> bad(block.begin(), block.begin() + 8);
    for (auto& b : bad) b = std::uint8_t(~b);
    bad.push_back(std::uint8_t(xor_of(bad) ^ 0x01));
    ASSERT_EQ(answer({0xC1, 0x02, header[2], header[3], 9}, 1, "refused write block"), std::vector<std::uint8_t>{0x02});
    EXPECT_EQ(answer(bad, 1, "refused write status"), std::vector<std::uint8_t>{0x10});
    EXPECT_TRUE(memory == after) << "the refused block changed the EEPROM";
    EXPECT_EQ(card.eeprom().page_writes(), 1);
    EXPECT_EQ(card.eeprom().bus_faults(), 0);
    // The loader still answers afterwards.
    EXPECT_EQ(answer({0xC1, 0x00, 0x00, mode, 0x00}, 2, "init after"), (std::vector<std::uint8_t>{0x00, 0x90}));
}

INSTANTIATE_TEST_SUITE_P(Cards, GpsimLoaderEeprom, testing::ValuesIn(kEepromCases),
                         [](const testing::TestParamInfo<EepromCase>& i) { return std::string(i.param.name); });

} // namespace
} // namespace korvane::gpsim
