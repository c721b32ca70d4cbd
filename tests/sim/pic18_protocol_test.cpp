// The simulated 18F parts seen through their ICSP pins: entry, the 4-bit command and payload
// framing, table reads and writes, panel programming with its waits, configuration, IDs and
// data EEPROM.
#include <string>

#include "pic18_fixture.h"

namespace korvane::sim::test {

TEST_F(Pic18Test, EveryPartReportsItsDeviceIdAndRevision) {
    const std::pair<int, std::uint16_t> parts[] = {
        {k18F242, 0x0487}, {k18F248, 0x0806}, {k18F252, 0x0407}, {k18F258, 0x0846},
        {k18F442, 0x04A7}, {k18F448, 0x0826}, {k18F452, 0x0427}, {k18F458, 0x0866},
    };
    for (auto [index, id] : parts) {
        auto& h = open18(index);
        h.enter();
        EXPECT_EQ(h.device_id(), id) << index;
        close();
    }
}

TEST_F(Pic18Test, EntryNeedsClockAndDataLowAndResetsTheCore) {
    auto& h = open18();
    mem().program[0] = 0x5A;
    auto& p = *port_;
    p.set_rts(true);
    p.set_break(true);
    EXPECT_FALSE(chip18().in_programming_mode());
    EXPECT_EQ(bench().counters().refused_entries, 1u);
    // Out of programming mode the clocks do nothing: a read gives DTR's level.
    p.set_rts(false);
    EXPECT_EQ(h.read(kTableRead), 0xFF);
    h.enter();
    h.set_tblptr(0x000123);
    h.core(0x0E77);   // W = 0x77
    h.enter();        // re-entry: TBLPTR = 0, W = 0
    EXPECT_EQ(chip18().core().tblptr(), 0u);
    EXPECT_EQ(chip18().core().w(), 0);
    EXPECT_EQ(h.read(kTableRead), 0x5A);
}

TEST_F(Pic18Test, ReadDrivesOnlyThePayloadsSecondHalf) {
    auto& h = open18();
    mem().program[0] = 0x00;
    h.enter();
    h.bits(kTableRead, 4);
    std::string seen = node_per_clock(16);
    seen += port_->cts() ? '1' : '0';   // after the 16th clock
    EXPECT_EQ(seen, "11111111000000001");
}

TEST_F(Pic18Test, TablePointerStepsOfTheReadCommands) {
    auto& h = open18();
    for (std::uint32_t a = 0; a < 8; ++a) mem().program[0x100 + a] = std::uint8_t(0x10 + a);
    h.enter();
    h.set_tblptr(0x100);
    EXPECT_EQ(h.read(kTableRead), 0x10);
    EXPECT_EQ(h.read(kTableReadPostInc), 0x10);
    EXPECT_EQ(h.read(kTableReadPostInc), 0x11);
    EXPECT_EQ(h.read(kTableReadPreInc), 0x13);
    EXPECT_EQ(h.read(kTableReadPostDec), 0x13);
    EXPECT_EQ(h.read(kTableRead), 0x12);
    // Command 2 shifts out what the last table read left in TABLAT.
    EXPECT_EQ(h.read(kShiftTablat), 0x12);
    EXPECT_EQ(chip18().core().tblptr(), 0x102u);
    // INCF TBLPTRL carries into nothing.
    h.set_tblptr(0x0001FF);
    h.core(0x2AF6);
    EXPECT_EQ(chip18().core().tblptr(), 0x000100u);
}

TEST_F(Pic18Test, TableReadSpaceMap) {
    auto& h = open18(k18F242);
    mem().ids[3] = 0x44;
    mem().program[0x3FFF] = 0x99;
    h.enter();
    EXPECT_EQ(h.read_byte(0x3FFF), 0x99);
    EXPECT_EQ(h.read_byte(0x4000), 0x00);   // past the 16 KB
    EXPECT_EQ(h.read_byte(0x200003), 0x44);
    EXPECT_EQ(h.read_byte(0x200008), 0x00);
    // Unprogrammed configuration bytes with their unimplemented bits at 0.
    const std::uint8_t expected[14] = {0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
    h.set_tblptr(0x300000);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(h.read(kTableReadPostInc), expected[i]) << i;
    EXPECT_EQ(h.read_byte(0x3C0006), 0x00);   // write-only
}

TEST_F(Pic18Test, SinglePanelWriteProgramsOnTheHeldFourthClock) {
    auto& h = open18();
    h.enter();
    h.write_row(0x0010, {0x1234, 0x5678, 0x9ABC, 0xDEF0});
    const std::uint8_t want[8] = {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xF0, 0xDE};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(mem().program[0x10 + std::size_t(i)], want[i]);
    EXPECT_EQ(mem().program[0x18], 0xFF);
    // Flash only clears bits: a second write over it ANDs.
    h.write_row(0x0010, {0xFF00, 0xFFFF, 0xFFFF, 0x0FFF});
    EXPECT_EQ(mem().program[0x10], 0x00);
    EXPECT_EQ(mem().program[0x11], 0x12);
    EXPECT_EQ(mem().program[0x17], 0x0E);
    EXPECT_EQ(violations(), 0u);
    EXPECT_EQ(bench().counters().cycles_completed, 2u);
    // Read back through the link.
    h.program_memory();
    h.set_tblptr(0x10);
    EXPECT_EQ(h.read(kTableReadPostInc), 0x00);
    EXPECT_EQ(h.read(kTableReadPostInc), 0x12);
}

TEST_F(Pic18Test, ShortWaitsLeaveTheCellsAsTheyWere) {
    auto& h = open18();
    h.enter();
    h.program_memory();
    // 4th clock high for less than P9.
    h.load_row(0x40, {0x0000, 0x0000, 0x0000, 0x0000}, true);
    h.program_wait(999);
    EXPECT_EQ(mem().program[0x40], 0xFF);
    EXPECT_EQ(violations(), 1u);
    // P9 met but the payload clocked in before P10.
    h.load_row(0x40, {0x0000, 0x0000, 0x0000, 0x0000}, true);
    h.program_wait(1000, 2);
    EXPECT_EQ(mem().program[0x40], 0xFF);
    EXPECT_EQ(violations(), 2u);
    // The buffers were used up: a start with nothing loaded programs nothing.
    h.set_tblptr(0x46);
    h.command(kTableWriteProgram, 0xFFFF);
    h.program_wait();
    EXPECT_EQ(mem().program[0x40], 0xFF);
    // Leaving programming mode during the held clock.
    h.load_row(0x40, {0x0000, 0x0000, 0x0000, 0x0000}, true);
    h.bits(0, 3);
    port_->set_rts(true);
    h.leave();
    EXPECT_EQ(mem().program[0x40], 0xFF);
    EXPECT_EQ(violations(), 3u);
}

TEST_F(Pic18Test, MultiPanelWriteProgramsEveryLoadedPanelAtTheLastOffset) {
    auto& h = open18(k18F452);
    h.enter();
    h.panel_mode(true);
    h.program_memory();
    h.load_row(0x0018, {0x1111, 0x1111, 0x1111, 0x1111}, false);
    h.load_row(0x2018, {0x2222, 0x2222, 0x2222, 0x2222}, false);
    // Panel 3 is loaded at another offset: it is written where the last panel's row is.
    h.load_row(0x4000, {0x3333, 0x3333, 0x3333, 0x3333}, false);
    h.load_row(0x6018, {0x4444, 0x4444, 0x4444, 0x4444}, true);
    h.program_wait();
    EXPECT_EQ(mem().program[0x0018], 0x11);
    EXPECT_EQ(mem().program[0x201F], 0x22);
    EXPECT_EQ(mem().program[0x4000], 0xFF);
    EXPECT_EQ(mem().program[0x4018], 0x33);
    EXPECT_EQ(mem().program[0x601F], 0x44);
    EXPECT_EQ(bench().counters().cycles_completed, 1u);
    // Single-panel mode again: only the panel TBLPTR is in is programmed.
    h.panel_mode(false);
    h.program_memory();
    h.load_row(0x0020, {0x0000, 0x0000, 0x0000, 0x0000}, false);
    h.load_row(0x2020, {0x0000, 0x0000, 0x0000, 0x0000}, true);
    h.program_wait();
    EXPECT_EQ(mem().program[0x0020], 0xFF);
    EXPECT_EQ(mem().program[0x2020], 0x00);
}

TEST_F(Pic18Test, WritesNeedProgramMemorySelected) {
    auto& h = open18();
    h.enter();
    h.select(false, false);   // EEPGD clear
    h.load_row(0x00, {0x0000, 0x0000, 0x0000, 0x0000}, true);
    h.program_wait();
    EXPECT_EQ(mem().program[0], 0xFF);
    // The panel mode register takes writes only with CFGS set.
    h.program_memory();
    h.set_tblptr(0x3C0006);
    h.command(kTableWrite, 0x0040);
    EXPECT_FALSE(chip18().core().flash().multi_panel());
}

TEST_F(Pic18Test, IdLocationsAreOneRow) {
    auto& h = open18();
    h.enter();
    h.write_row(0x200000, {0x2211, 0x4433, 0x6655, 0x8877});
    EXPECT_EQ(mem().ids, (std::array<std::uint8_t, 8>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}));
    h.set_tblptr(0x200006);
    EXPECT_EQ(h.read(kTableReadPostInc), 0x77);
    EXPECT_EQ(h.read(kTableReadPostInc), 0x88);
}

TEST_F(Pic18Test, ConfigurationBytesAreWrittenWholeAfterTheGoto) {
    auto& h = open18(k18F452);
    h.enter();
    h.write_config(0x300001, 0x22);   // the odd byte from the payload's high half
    h.write_config(0x300002, 0x00);   // the even byte from the low half
    h.write_config(0x300006, 0xFF);   // unimplemented bits stay 0
    EXPECT_EQ(mem().config[1], 0x22);
    EXPECT_EQ(mem().config[2], 0x00);
    EXPECT_EQ(mem().config[6], 0x85);
    // Configuration bytes are not flash: a 1 comes back.
    h.write_config(0x300002, 0x0F);
    EXPECT_EQ(mem().config[2], 0x0F);
    // Without the GOTO 0x100000 nothing is written.
    h.enter();
    h.config_space();
    h.set_tblptr(0x300002);
    h.command(kTableWriteProgram, 0x0003);
    h.program_wait();
    EXPECT_EQ(mem().config[2], 0x0F);
    EXPECT_EQ(violations(), 0u);
}

TEST_F(Pic18Test, Xx8PartsHaveNoConfig3H) {
    auto& h = open18(k18F458);
    h.enter();
    EXPECT_EQ(h.read_byte(0x300005), 0x00);
    h.write_config(0x300005, 0x01);
    EXPECT_EQ(h.read_byte(0x300005), 0x00);
}

TEST_F(Pic18Test, DataEepromWriteWithUnlockAndWriteTime) {
    auto& h = open18();
    h.enter();
    // WR reads 1 while the write runs.
    EXPECT_EQ(h.start_eeprom_write(0x12, 0xA5) & 0x02, 0x02);
    EXPECT_EQ(h.read_eeprom(0x12), 0xFF);   // not written yet
    h.wait_ms(4);
    EXPECT_EQ(h.eecon1() & 0x02, 0x00);
    EXPECT_EQ(h.read_eeprom(0x12), 0xA5);
    EXPECT_EQ(mem().eeprom[0x12], 0xA5);
    // No 0x55/0xAA: WR does not start.
    EXPECT_EQ(h.start_eeprom_write(0x13, 0x00, false) & 0x02, 0x00);
    h.wait_ms(5);
    EXPECT_EQ(mem().eeprom[0x13], 0xFF);
    // A second write while the first runs is ignored.
    h.start_eeprom_write(0x20, 0x01);
    h.start_eeprom_write(0x21, 0x02);
    h.wait_ms(5);
    EXPECT_EQ(mem().eeprom[0x20], 0x01);
    EXPECT_EQ(mem().eeprom[0x21], 0xFF);
    // EEADRH takes writes and changes nothing on these 256-byte parts.
    h.core(0x0E01);
    h.core(0x6EAA);
    EXPECT_EQ(h.read_eeprom(0x20), 0x01);
}

TEST_F(Pic18Test, DataEepromWriteCutByLeavingIsLost) {
    auto& h = open18();
    h.enter();
    h.start_eeprom_write(0x05, 0x00);
    h.wait_ms(1);
    h.leave();
    h.wait_ms(5);
    EXPECT_EQ(mem().eeprom[0x05], 0xFF);
    EXPECT_EQ(violations(), 1u);
}

TEST_F(Pic18Test, InstructionsOutsideTheSequencesActAsOnTheCore) {
    auto& h = open18();
    h.enter();
    h.core(0x0E40);   // MOVLW 0x40
    h.core(0x0F05);   // ADDLW 5
    h.core(0x6E20);   // MOVWF 0x20
    h.core(0xC020);   // MOVFF 0x20, TABLAT: two words through two commands
    h.core(0xFFF5);
    EXPECT_EQ(h.read(kShiftTablat), 0x45);
    // A skip discards the next instruction fed.
    h.core(0x0E00);   // MOVLW 0
    h.core(0xB4D8);   // BTFSC STATUS, Z
    h.core(0x0E99);   // MOVLW 0x99: skipped (Z was left clear by MOVLW)
    h.core(0x6EF5);
    EXPECT_EQ(h.read(kShiftTablat), 0x00);
    // A table write through the core (TBLWT*+) loads the panel buffer like command 13.
    h.program_memory();
    h.set_tblptr(0x0300);
    for (std::uint8_t v : {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}) {
        h.core(std::uint16_t(0x0E00 | v));
        h.core(0x6EF5);
        h.core(0x000D);
    }
    // The 16-bit write lands on the even address: 0x306 and 0x307.
    h.command(kTableWriteProgram, 0x0807);
    h.program_wait();
    EXPECT_EQ(mem().program[0x300], 0x01);
    EXPECT_EQ(mem().program[0x306], 0x07);
    EXPECT_EQ(mem().program[0x307], 0x08);
}

TEST_F(Pic18Test, TheUartBackendDrivesTheSameChip) {
    bench().select_target(TargetKind::Pic, k18F252);
    std::string error;
    auto port = bench().serial().open("SIM", error);
    ASSERT_TRUE(port) << error;
    UartLines lines(bench().ports());
    Icsp18 h(lines, bench().clock());
    h.enter();
    h.write_row(0x7FF8, {0x0102, 0x0304, 0x0506, 0x0708});
    h.set_tblptr(0x7FFE);
    EXPECT_EQ(h.read(kTableReadPostInc), 0x08);
    EXPECT_EQ(h.read(kTableReadPostInc), 0x07);
    EXPECT_EQ(h.device_id(), 0x0407);
}

} // namespace korvane::sim::test
