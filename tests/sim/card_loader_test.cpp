// Every 16F card of the card table end to end on the simulated reader, running our own loader
// (src/resources/loader, reassembled here): written into the card's PIC through the bench, then
// the answer to reset, Init, write blocks, read back, and the faults that damage the link.
#include "card_loader_fixture.h"

namespace korvane::sim::test {
namespace {

using ::testing::ElementsAreArray;

struct Card {
    const char* name;
    int pic;              // PIC catalogue index
    std::uint16_t config; // the configuration word the programmer writes with the loader
    int eeprom;           // EEPROM index
    std::uint32_t size;
    std::size_t block;    // the host's write block length
};
const Card kCards[] = {
    {"GoldCard", 0, 0x3FF1, 4, 2048, 16},         {"BlueCard", 0, 0x3FF1, 6, 8192, 32},
    {"SilverCard", 3, 0x3D39, 6, 8192, 32},       {"GreenCard 64", 1, 0x3F29, 6, 8192, 32},
    {"GreenCard 128", 3, 0x3D39, 8, 16384, 64},   {"GreenCard 256", 3, 0x3D39, 9, 32768, 64},
};

class CardTableTest : public CardLoaderTest {
protected:
    void write_loader(const Card& card) { CardLoaderTest::write_loader(card.pic, card.config, card.eeprom); }
};

TEST_F(CardTableTest, EveryCardWritesAndReadsBackBlocksThroughTheLoader) {
    for (const Card& card : kCards) {
        SCOPED_TRACE(card.name);
        write_loader(card);
        CardLinkHost& host = started_card();
        ASSERT_TRUE(host.init(card.eeprom == 4)) << host.last_error << "; the host received " << received(bench());
        // The first block, a block across the middle, the last block.
        const std::uint32_t addresses[] = {0, card.size / 2 - std::uint32_t(card.block), card.size - std::uint32_t(card.block)};
        unsigned seed = 1;
        for (std::uint32_t a : addresses) {
            const auto data = pattern(card.block, seed++);
            EXPECT_EQ(host.write_block(std::uint16_t(a), data), 0x90) << a << " " << host.last_error;
        }
        seed = 1;
        for (std::uint32_t a : addresses) {
            const auto back = host.read_block(std::uint16_t(a), card.block);
            ASSERT_TRUE(back) << a << " " << host.last_error;
            EXPECT_EQ(*back, pattern(card.block, seed++)) << a;
        }
        EXPECT_EQ(host.echo_mismatches, 0);
        close_card();
        const auto stored = card_eeprom(card.eeprom);
        ASSERT_EQ(stored.size(), card.size);
        EXPECT_EQ(std::vector<std::uint8_t>(stored.begin(), stored.begin() + std::ptrdiff_t(card.block)), pattern(card.block, 1));
    }
}

TEST_F(CardTableTest, AWholeCardReadsBackWhatWasProgrammed) {
    const Card& gold = kCards[0];
    write_loader(gold);
    CardLinkHost& host = started_card();
    ASSERT_TRUE(host.init(true));
    const auto image = pattern(gold.size, 9);
    for (std::uint32_t a = 0; a < gold.size; a += std::uint32_t(gold.block)) {
        const std::vector<std::uint8_t> block(image.begin() + a, image.begin() + a + gold.block);
        ASSERT_EQ(host.write_block(std::uint16_t(a), block), 0x90) << a << " " << host.last_error;
    }
    std::vector<std::uint8_t> back;
    for (std::uint32_t a = 0; a < gold.size; a += 128) {
        const auto block = host.read_block(std::uint16_t(a), 128);
        ASSERT_TRUE(block) << a << " " << host.last_error;
        back.insert(back.end(), block->begin(), block->end());
    }
    EXPECT_EQ(back, image);
}

TEST_F(CardTableTest, TheLoaderRunsAtSixMegahertzWithTheFasterRate) {
    write_loader(kCards[3]);
    CardLinkHost& host = open_card(16457);
    EXPECT_EQ(bench().reader().card_clock_hz(), 6000000u);
    ASSERT_THAT(host.reset(), ElementsAreArray(kAtr));
    ASSERT_TRUE(host.init(false));
    const auto data = pattern(32, 4);
    EXPECT_EQ(host.write_block(0x1FE0, data), 0x90) << host.last_error;
    EXPECT_EQ(host.read_block(0x1FE0, 32), data);
}

TEST_F(CardTableTest, DamagedChecksumsAreRefusedAndReported) {
    write_loader(kCards[2]);
    CardLinkHost& host = started_card();
    ASSERT_TRUE(host.init(false));
    // A wrong checksum from the host: the loader leaves the page as it was and answers 0x10.
    EXPECT_EQ(host.write_block(0x0100, pattern(32, 1)), 0x90);
    EXPECT_EQ(host.write_block(0x0100, pattern(32, 2), 0x80), 0x10);
    EXPECT_EQ(host.read_block(0x0100, 32), pattern(32, 1));
    close_card();

    bench().set_faults("cardchk");
    CardLinkHost& damaged = started_card();
    ASSERT_TRUE(damaged.init(false));
    EXPECT_EQ(damaged.write_block(0x0200, pattern(32, 3)), 0x10) << "the checksum reached the card damaged";
    EXPECT_FALSE(damaged.read_block(0x0200, 32));
    EXPECT_EQ(damaged.last_error, "read block: checksum");
}

TEST_F(CardTableTest, TheCardsEepromFaultsComeThroughTheLoader) {
    make_bench("wp");
    write_loader(kCards[2]);
    CardLinkHost& host = started_card();
    ASSERT_TRUE(host.init(false));
    EXPECT_EQ(host.write_block(0x0040, pattern(32, 5)), 0x90);
    EXPECT_EQ(host.read_block(0x0040, 32), std::vector<std::uint8_t>(32, 0xFF)) << "write-protected";
    close_card();

    bench().set_faults("empty");
    bench().select_card(kCards[2].pic, kCards[2].eeprom);
    CardLinkHost& bare = started_card();   // the PIC runs without its EEPROM
    ASSERT_TRUE(bare.init(false));
    // The loader polls for an acknowledge that never comes, longer than the host waits.
    EXPECT_FALSE(bare.read_block(0, 16));
    EXPECT_EQ(bare.last_error, "no byte after the header");
}

TEST_F(CardTableTest, ALoaderForAnotherCardFamilyOrAWrongConfigurationFails) {
    // The 16F84's image in a 16F628 with its internal oscillator selected: 4 MHz, not CLK.
    Card intrc = kCards[3];
    intrc.config = 0x3F38;
    write_loader(intrc);
    CardLinkHost& host = open_card();
    EXPECT_THAT(host.reset(), ::testing::Not(ElementsAreArray(kAtr)));
    close_card();

    // The watchdog left on: the loader never clears it, so the card resets itself while it waits.
    Card watchdog = kCards[3];
    watchdog.config = 0x3F2D;
    write_loader(watchdog);
    CardLinkHost& wd = started_card();
    bench().clock().sleep_ms(3000);
    EXPECT_FALSE(wd.init(false));
}

TEST_F(ZenCardTest, TheEighteenFCardWritesAndReadsBackThroughItsLoaderAtEitherClock) {
    write_loader_18f();
    for (std::uint32_t baud : {9600u, 16457u}) {
        SCOPED_TRACE(baud);
        CardLinkHost& host = started_card(baud);
        ASSERT_TRUE(host.init(false)) << host.last_error << "; the host received " << received(bench());
        const std::uint32_t addresses[] = {0x0000, 0x4000 - 64, 0x8000 - 64};
        unsigned seed = baud;
        for (std::uint32_t a : addresses) EXPECT_EQ(host.write_block(std::uint16_t(a), pattern(64, seed++)), 0x90) << a;
        seed = baud;
        for (std::uint32_t a : addresses) EXPECT_EQ(host.read_block(std::uint16_t(a), 64), pattern(64, seed++)) << a;
        EXPECT_EQ(host.read_block(0x0000, 128).value_or(std::vector<std::uint8_t>{}).size(), 128u);
        EXPECT_EQ(host.echo_mismatches, 0);
        close_card();
        const auto stored = card_eeprom(kZenEeprom);
        EXPECT_EQ(std::vector<std::uint8_t>(stored.end() - 64, stored.end()), pattern(64, baud + 2));
    }
}

TEST_F(ZenCardTest, AFourteenBitLoaderInTheEighteenFDoesNotAnswer) {
    const AssembledProgram loader = assemble_file(loader16f_source().string(), false, 8192);
    ASSERT_TRUE(loader.ok());
    bench().select_target(TargetKind::Pic, kZenPic);
    Pic18Memory& m = bench().pic18()->memory();
    for (std::size_t w = 0; w < 1024; ++w) {
        m.program[2 * w] = std::uint8_t(loader.words[w]);
        m.program[2 * w + 1] = std::uint8_t(loader.words[w] >> 8);
    }
    ASSERT_TRUE(bench().save_chip());
    bench().select_card(kZenPic, kZenEeprom);
    CardLinkHost& host = open_card();
    EXPECT_THAT(host.reset(), ::testing::Not(ElementsAreArray(kAtr)));
}

} // namespace
} // namespace korvane::sim::test
