// Bulk erase frames, code protection and the bench's faults and memory for the 18F parts.
#include "pic18_fixture.h"

namespace korvane::sim::test {

namespace {
void fill_programmed(Pic18Memory& m) {
    std::fill(m.program.begin(), m.program.end(), 0x00);
    std::fill(m.eeprom.begin(), m.eeprom.end(), 0x00);
    m.ids.fill(0x00);
    m.config[2] = 0x00;
}
} // namespace

TEST_F(Pic18Test, ChipEraseClearsEverythingAndProtection) {
    auto& h = open18();
    fill_programmed(mem());
    chip18().protect();
    mem().config[9] &= 0x7F;   // CPD as well
    h.enter();
    h.bulk_erase(0x80);
    EXPECT_EQ(mem().program[0], 0xFF);
    EXPECT_EQ(mem().program[0x7FFF], 0xFF);
    EXPECT_EQ(mem().eeprom[0xFF], 0xFF);
    EXPECT_EQ(mem().ids[7], 0xFF);
    EXPECT_EQ(mem().config, default_config(chip18().model()));
    EXPECT_FALSE(mem().protection().code_any());
    EXPECT_EQ(violations(), 0u);
    EXPECT_EQ(bench().counters().cycles_completed, 1u);
}

TEST_F(Pic18Test, EraseFrameCutAfterThreeClocksIsRejected) {
    auto& h = open18();
    fill_programmed(mem());
    h.enter();
    h.config_space();
    h.set_tblptr(0x3C0004);
    h.command(kTableWrite, 0x0080);
    h.core(0x0000);
    h.bits(0, 3);   // the frame stops short of its 4th clock
    h.wait_ms(6);
    // The next command's first clock completes it, long before P11: nothing is erased, and the
    // link is one bit out of step from here on.
    h.set_tblptr(0x000000);
    EXPECT_EQ(mem().program[0], 0x00);
    EXPECT_EQ(mem().eeprom[0], 0x00);
    EXPECT_GE(violations(), 1u);
    EXPECT_EQ(bench().counters().cycles_completed, 0u);
    // A fresh entry puts the framing right again.
    h.enter();
    EXPECT_EQ(h.read_byte(0x000001), 0x00);
}

TEST_F(Pic18Test, EraseNeedsItsWaitAndConfigurationSpace) {
    auto& h = open18();
    fill_programmed(mem());
    h.enter();
    h.bulk_erase(0x80, 4900);   // payload before P11
    EXPECT_EQ(mem().program[0], 0x00);
    EXPECT_EQ(violations(), 1u);
    h.bulk_erase(0x80, 6000, false);   // CFGS clear: 0x3C0004 does not take the code
    EXPECT_EQ(mem().program[0], 0x00);
    // Something else than the NOP after the erase control write drops the request.
    h.config_space();
    h.set_tblptr(0x3C0004);
    h.command(kTableWrite, 0x0080);
    h.read(kShiftTablat);
    h.core(0x0000);
    h.bits(0, 4);
    h.wait_ms(6);
    h.bits(0, 16);
    EXPECT_EQ(mem().program[0], 0x00);
    EXPECT_EQ(bench().counters().cycles_completed, 0u);
}

TEST_F(Pic18Test, PartialErasesTouchOnlyTheirRegion) {
    auto& h = open18(k18F452);
    fill_programmed(mem());
    h.enter();
    h.bulk_erase(0x89);   // panel 2
    EXPECT_EQ(mem().program[0x1FFF], 0x00);
    EXPECT_EQ(mem().program[0x2000], 0xFF);
    EXPECT_EQ(mem().program[0x3FFF], 0xFF);
    EXPECT_EQ(mem().program[0x4000], 0x00);
    h.bulk_erase(0x83);   // boot block
    EXPECT_EQ(mem().program[0x01FF], 0xFF);
    EXPECT_EQ(mem().program[0x0200], 0x00);
    h.bulk_erase(0x81);   // data EEPROM
    EXPECT_EQ(mem().eeprom[0x80], 0xFF);
    EXPECT_EQ(mem().ids[0], 0x00);
    EXPECT_EQ(mem().config[2], 0x00);
    // A panel under code protection stays; the others still erase.
    mem().config[8] &= 0xF7;   // CP3
    h.enter();
    h.bulk_erase(0x8B);
    h.bulk_erase(0x8A);
    EXPECT_EQ(mem().program[0x6000], 0x00);
    EXPECT_EQ(mem().program[0x4000], 0xFF);
}

TEST_F(Pic18Test, ProtectedBlocksReadZeroAndRefuseWrites) {
    auto& h = open18(k18F452);
    mem().program[0x0100] = 0x11;   // boot block
    mem().program[0x2100] = 0x22;   // block 1
    mem().ids[0] = 0x33;
    mem().eeprom[4] = 0x44;
    mem().config[8] = 0x0D;   // CP1
    mem().config[9] = 0x40;   // CPD
    h.enter();
    EXPECT_EQ(h.read_byte(0x0100), 0x11);
    EXPECT_EQ(h.read_byte(0x2100), 0x00);
    EXPECT_EQ(h.read_byte(0x200000), 0x33);   // IDs and configuration stay readable
    EXPECT_EQ(h.read_byte(0x300008), 0x0D);
    EXPECT_EQ(h.read_eeprom(4), 0x00);
    h.write_row(0x2108, {0x0000, 0x0000, 0x0000, 0x0000});
    EXPECT_EQ(mem().program[0x2108], 0xFF);
    h.write_row(0x0108, {0x0000, 0x0000, 0x0000, 0x0000});
    EXPECT_EQ(mem().program[0x0108], 0x00);
    h.start_eeprom_write(5, 0x00);
    h.wait_ms(5);
    EXPECT_EQ(mem().eeprom[5], 0xFF);
    // Rewriting the protection bytes cannot give the protection back...
    h.write_config(0x300008, 0x0F);
    EXPECT_EQ(mem().config[8], 0x0D);
    // ...and once WRTC is programmed no configuration byte changes.
    h.write_config(0x30000B, 0xC0);
    h.write_config(0x300002, 0x00);
    EXPECT_EQ(mem().config[2], 0x0F);
    // Only the chip erase does.
    h.bulk_erase(0x80);
    EXPECT_EQ(h.read_byte(0x2100), 0xFF);
}

TEST_F(Pic18Test, FaultsApplyToThe18FParts) {
    make_bench("id=0x1234,stuck=0x80:0x8001,protect");
    auto& h = open18(k18F442);
    h.enter();
    EXPECT_EQ(h.device_id(), 0x1234);
    // `protect` programs CPB and CP0..CP3.
    EXPECT_EQ(mem().config[8], 0x00);
    EXPECT_EQ(mem().config[9], 0x80);
    EXPECT_EQ(h.read_byte(0x0000), 0x00);
    h.bulk_erase(0x80);
    // A stuck bit is per program word: word 0x80 is bytes 0x100 and 0x101.
    EXPECT_EQ(h.read_byte(0x100), 0xFE);
    EXPECT_EQ(h.read_byte(0x101), 0x7F);
    EXPECT_EQ(h.read_byte(0x102), 0xFF);
}

TEST_F(Pic18Test, SlowChipFaultStretchesTheProgrammingTime) {
    make_bench("tprog=3");
    auto& h = open18();
    h.enter();
    h.program_memory();
    h.load_row(0x00, {0x0000, 0x0000, 0x0000, 0x0000}, true);
    h.program_wait(2000);
    EXPECT_EQ(mem().program[0], 0xFF);
    EXPECT_EQ(violations(), 1u);
    h.load_row(0x00, {0x0000, 0x0000, 0x0000, 0x0000}, true);
    h.program_wait(3000);
    EXPECT_EQ(mem().program[0], 0x00);
    // The data EEPROM write takes as long.
    h.start_eeprom_write(0, 0x00);
    h.wait_ms(2);
    EXPECT_EQ(h.eecon1() & 0x02, 0x02);
    h.wait_ms(1);
    EXPECT_EQ(h.eecon1() & 0x02, 0x00);
}

TEST_F(Pic18Test, MemoryPersistsPerPartInTheStateDirectory) {
    auto& h = open18(k18F258);
    h.enter();
    h.write_row(0x0000, {0xAA55, 0xFFFF, 0xFFFF, 0xFFFF});
    h.write_config(0x300002, 0x03);
    h.start_eeprom_write(0x10, 0x3C);
    h.wait_ms(5);
    h.leave();
    close();   // power off saves the memory
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "pic18f258.mem"));
    make_bench();
    bench().select_target(TargetKind::Pic, k18F258);
    EXPECT_EQ(mem().program[0], 0x55);
    EXPECT_EQ(mem().program[1], 0xAA);
    EXPECT_EQ(mem().config[2], 0x03);
    EXPECT_EQ(mem().eeprom[0x10], 0x3C);
    // Another 18F part has memory of its own.
    bench().select_target(TargetKind::Pic, k18F252);
    EXPECT_EQ(mem().program[0], 0xFF);
    // An image of the wrong size leaves the part blank.
    korvane::test::write_file(dir_.path() / "pic18f452.mem", "KVSIM18F");
    bench().select_target(TargetKind::Pic, k18F452);
    EXPECT_EQ(mem().program[0], 0xFF);
    bench().wipe_chip();
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "pic18f452.mem"));
}

} // namespace korvane::sim::test
