// The smart-card reader on "SIM" with a card running a small program of ours (not a loader): its
// own port beside the programmer, RTS as the card's reset, the I/O contact on both TXD and RXD,
// characters decoded from the card's pin at the host's rate, time-outs on the bench clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "card_link_host.h"
#include "common/test_env.h"
#include "gpasm_program.h"
#include "sim_fixture.h"

namespace korvane::sim::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr int k16F628 = 1, k16F84 = 0, k24C64 = 6;

class CardReaderTest : public SimTest {
protected:
    std::unique_ptr<ISerialPort> open_reader() {
        std::string error;
        auto port = bench().reader().open("SIM", error);
        EXPECT_TRUE(port) << error;
        return port;
    }
    // The card's PIC as the programmer would leave it, with the test card program.
    void write_card_program(int pic_index, const char* processor, std::size_t words, std::uint16_t config) {
        if (!have_gpasm()) GTEST_SKIP() << "gpasm not found: install gputils";
        const AssembledProgram p =
            assemble(processor, korvane::test::read_file(KORVANE_TEST_DATA_DIR "/card/atr_echo.asm"), words);
        ASSERT_TRUE(p.ok()) << p.listing_error;
        bench().select_target(TargetKind::Pic, pic_index);
        Pic16Chip& chip = *bench().pic16();
        for (std::size_t a = 0; a < words; ++a) chip.set_program_word(std::uint32_t(a), p.words[a]);
        chip.set_config_word(config);
        ASSERT_TRUE(bench().save_chip());
    }
    // The host's side of the link: 8E2 at `baud`, its time-outs, its reset.
    void configure(ISerialPort& port, std::uint32_t baud) { ASSERT_TRUE(CardLinkHost(port, bench().clock()).configure(baud)); }
    std::vector<std::uint8_t> read(ISerialPort& port, std::size_t n) { return CardLinkHost(port, bench().clock()).read(n); }
    std::vector<std::uint8_t> reset_and_read_atr(ISerialPort& port) { return CardLinkHost(port, bench().clock()).reset(); }
    std::unique_ptr<ISerialPort> card_628(std::uint32_t baud = 9600) {
        write_card_program(k16F628, "16f628", 2048, 0x3F29);
        bench().select_card(k16F628, k24C64);
        auto port = open_reader();
        if (port) configure(*port, baud);
        return port;
    }
};

TEST_F(CardReaderTest, OpensBesideTheProgrammerButOnlyOnce) {
    open_with_pic(3);
    auto reader = open_reader();
    ASSERT_TRUE(reader);
    std::string error;
    EXPECT_FALSE(bench().reader().open("SIM", error));
    EXPECT_EQ(error, "Device or resource busy");
    EXPECT_TRUE(bench().reader().rts()) << "opening raises RTS: the card starts in reset";
    reader.reset();
    EXPECT_FALSE(bench().reader().is_open());
    EXPECT_TRUE(open_reader());
}

TEST_F(CardReaderTest, TheCardAnswersResetByRunningItsProgramAndEchoesBack) {
    auto port = card_628();
    ASSERT_TRUE(port);
    EXPECT_THAT(reset_and_read_atr(*port), ElementsAreArray(kAtr));
    const auto& counters = bench().reader().counters();
    EXPECT_EQ(counters.card_bytes, 16u);
    EXPECT_EQ(counters.parity_errors + counters.framing_errors, 0u);
    EXPECT_GT(bench().reader().card()->core().instructions(), 16u * 12 * 30);

    // The host hears its own byte on the line, then the card's copy of it.
    const std::uint8_t bytes[] = {0x5A, 0xC1};
    for (std::uint8_t b : bytes) {
        ASSERT_EQ(port->write(&b, 1), 1u);
        EXPECT_THAT(read(*port, 2), ElementsAre(b, b));
    }
    EXPECT_EQ(counters.echo_bytes, 2u);
    EXPECT_EQ(counters.card_bytes, 18u);

    // Each reset starts the program again.
    EXPECT_THAT(reset_and_read_atr(*port), ElementsAreArray(kAtr));
    EXPECT_EQ(counters.resets, 2u);
}

TEST_F(CardReaderTest, CharactersCarryEvenParityAndTheCardsOwnBitTime) {
    auto port = card_628();
    ASSERT_TRUE(port);
    reset_and_read_atr(*port);
    const auto& h = bench().reader().history();
    ASSERT_EQ(h.size(), 16u);
    // 12 etu per character and the program's turn-around between them; one etu is 372 clocks.
    const double etu_ns = 372e9 / 3579545.0;
    for (std::size_t i = 1; i < h.size(); ++i) {
        const double gap = double(h[i].time_ns - h[i - 1].time_ns);
        EXPECT_GE(gap, 12 * etu_ns - 2000) << i;
        EXPECT_LE(gap, 14 * etu_ns) << i;
    }
}

TEST_F(CardReaderTest, RatesTooFarFromTheCardsGiveGarbageAndTheNearerClockIsUsed) {
    {
        auto port = card_628(19200);
        ASSERT_TRUE(port);
        EXPECT_THAT(reset_and_read_atr(*port), ::testing::Not(ElementsAreArray(kAtr)));
    }
    {
        // 16457 baud is 2 % off 6.00 MHz / 372: the reader clocks the card at 6.00 MHz.
        auto port = open_reader();
        configure(*port, 16457);
        EXPECT_EQ(bench().reader().card_clock_hz(), 6000000u);
        EXPECT_THAT(reset_and_read_atr(*port), ElementsAreArray(kAtr));
    }
    bench().set_faults("cardclock=6000000");
    {
        auto port = open_reader();
        configure(*port, 9600);
        EXPECT_THAT(reset_and_read_atr(*port), ::testing::Not(ElementsAreArray(kAtr)));
    }
}

TEST_F(CardReaderTest, ACardHeldInResetOrWithoutAProgramStaysSilentForTheWholeTimeOut) {
    auto port = card_628();
    ASSERT_TRUE(port);
    port->set_rts(true);
    const std::uint64_t before = bench().clock().now_us();
    EXPECT_TRUE(read(*port, 16).empty());
    EXPECT_EQ(bench().clock().now_us() - before, 180000u) << "20 ms + 16 x 10 ms";
    port.reset();

    bench().wipe_chip();
    port = open_reader();
    configure(*port, 9600);
    EXPECT_TRUE(reset_and_read_atr(*port).empty());
    EXPECT_EQ(bench().reader().counters().card_bytes, 0u);
}

TEST_F(CardReaderTest, TheSixteenF84WaitsForItsPowerUpTimer) {
    // 0x3FF1: XT, watchdog off, power-up timer on.
    write_card_program(k16F84, "16f84a", 1024, 0x3FF1);
    bench().select_card(k16F84, 4);
    const std::uint64_t opened = bench().clock().now_us();
    auto port = open_reader();
    configure(*port, 9600);
    EXPECT_THAT(reset_and_read_atr(*port), ElementsAreArray(kAtr)) << "still within the host's time-out";
    EXPECT_GE(bench().reader().history().front().time_ns / 1000 - opened, 72000u);
}

TEST_F(CardReaderTest, WhatTheCardWritesIntoItsDataEepromTheProgrammerReadsBack) {
    if (!have_gpasm()) GTEST_SKIP() << "gpasm not found: install gputils";
    const AssembledProgram p = assemble("16f628", R"(
        org 0
        bsf STATUS,RP0
        movlw 3
        movwf EEADR
        movlw 0x5A
        movwf EEDATA
        bsf EECON1,WREN
        movlw 0x55
        movwf EECON2
        movlw 0xAA
        movwf EECON2
        bsf EECON1,WR
        sleep
    )", 2048);
    ASSERT_TRUE(p.ok()) << p.listing_error;
    bench().select_target(TargetKind::Pic, k16F628);
    for (std::uint32_t a = 0; a < 2048; ++a) bench().pic16()->set_program_word(a, p.words[a]);
    bench().pic16()->set_config_word(0x3F29);
    bench().select_card(k16F628, k24C64);
    auto port = open_reader();
    port->set_rts(false);
    bench().clock().sleep_ms(20);   // the 4 ms write cycle, and more
    port->available();
    port.reset();
    EXPECT_EQ(bench().pic16()->data_byte(3), 0x5A) << "the chip in the socket is the card's PIC";
    bench().select_target(TargetKind::Pic, k16F84);
    bench().select_target(TargetKind::Pic, k16F628);
    EXPECT_EQ(bench().pic16()->data_byte(3), 0x5A) << "and its saved image";
}

TEST_F(CardReaderTest, SilentAndBadAtrFaultsAndTheOnesNobodyKnows) {
    make_bench("silent");
    auto port = card_628();
    ASSERT_TRUE(port);
    EXPECT_TRUE(reset_and_read_atr(*port).empty());
    const std::uint8_t b = 0x33;
    port->write(&b, 1);
    EXPECT_THAT(read(*port, 2), ElementsAre(0x33)) << "the echo is the reader's, not the card's";
    port.reset();

    bench().set_faults("badatr");
    port = open_reader();
    configure(*port, 9600);
    std::vector<std::uint8_t> damaged = kAtr;
    damaged[14] = 0x91;
    EXPECT_THAT(reset_and_read_atr(*port), ElementsAreArray(damaged));
    EXPECT_THAT(reset_and_read_atr(*port), ElementsAreArray(damaged)) << "every answer";

    EXPECT_THAT(parse_faults("cardclock=12,silent=1,cardchk").warnings,
                ElementsAre("KORVANE_SIM: ignoring \"cardclock=12\"", "KORVANE_SIM: ignoring \"silent=1\""));
}

} // namespace
} // namespace korvane::sim::test
