#include <tuple>

#include "sim_fixture.h"

namespace korvane::sim::test {

TEST_F(SimTest, VppRisingWithClockOrDataHighDoesNotEnter) {
    auto& p = open_with_pic(0);
    chip().set_program_word(0, 0x0123);
    // Clock high at the VPP edge.
    p.set_break(false);
    p.set_dtr(false);
    p.set_rts(true);
    p.set_break(true);
    EXPECT_FALSE(chip().in_programming_mode());
    // Data high at the VPP edge.
    p.set_break(false);
    p.set_rts(false);
    p.set_dtr(true);
    p.set_break(true);
    EXPECT_FALSE(chip().in_programming_mode());
    EXPECT_EQ(bench().counters().refused_entries, 2u);
    // A chip in run mode ignores the clocks: a read gives DTR's level.
    p.set_dtr(false);
    EXPECT_EQ(icsp().read_program(), 0x3FFF);
    icsp().enter();
    EXPECT_TRUE(chip().in_programming_mode());
    EXPECT_EQ(icsp().read_program(), 0x0123);
}

TEST_F(SimTest, LoadProgramReadCycle) {
    open_with_pic(3);
    auto& h = icsp();
    h.enter();
    h.program_word(0x2ABC);
    h.increment();
    h.program_word(0x1555);
    EXPECT_EQ(chip().program_word(0), 0x2ABC);
    EXPECT_EQ(chip().program_word(1), 0x1555);
    h.enter();   // re-entry puts the PC back to 0
    EXPECT_EQ(h.read_program(), 0x2ABC);
    h.increment();
    EXPECT_EQ(h.read_program(), 0x1555);
    EXPECT_EQ(bench().counters().timing_violations, 0u);
}

TEST_F(SimTest, StartAndStopBitsAreIgnoredAndOnly14BitsStored) {
    open_with_pic(3);
    auto& h = icsp();
    h.enter();
    h.command(2);
    h.send(0x3FFF, true);   // framing bits 1
    h.command(8);
    h.wait_ms(10);
    EXPECT_EQ(chip().program_word(0), 0x3FFF);
    h.command(2);
    h.send(0x0001, true);
    h.command(8);
    h.wait_ms(10);
    EXPECT_EQ(h.read_program(), 0x0001);
}

TEST_F(SimTest, ReadDrivesFromSecondToFifteenthClockOnly) {
    open_with_pic(2);
    chip().set_program_word(0, 0x0000);
    icsp().enter();
    icsp().command(4);
    // Clock 1 undriven, 2..15 the 14 zero bits, released on the 16th rising edge.
    EXPECT_EQ(node_per_clock(16), "1000000000000001");
}

TEST_F(SimTest, DataMemoryByteWithUndefinedHighBitsAsOnes) {
    open_with_pic(1);
    auto& h = icsp();
    h.enter();
    h.increment(5);
    h.program_data(0x5A, 13);
    EXPECT_EQ(chip().data_byte(5), 0x5A);
    h.command(5);
    EXPECT_EQ(h.receive(), 0x3F5A);
    h.enter();
    h.increment(128 + 5);   // data addressed by the low bits of the PC
    EXPECT_EQ(h.read_data(), 0x5A);
}

TEST_F(SimTest, ConfigurationSpaceMapAndDeviceIdWithRevision) {
    open_with_pic(3);
    chip().set_id_word(2, 0x1234);
    chip().set_config_word(0x3F72);
    auto& h = icsp();
    h.enter();
    h.load_config(0x3FFF);
    EXPECT_EQ(chip().pc(), 0x2000);
    h.increment(2);
    EXPECT_EQ(h.read_program(), 0x1234);
    h.increment(2);
    EXPECT_EQ(h.read_program(), 0x3FFF);   // reserved
    h.increment(2);
    EXPECT_EQ(h.read_program(), 0x09A6);   // 16F877, revision 6
    h.increment();
    EXPECT_EQ(h.read_program(), 0x3F72);
    // Writing the ID words through the load-configuration latch.
    h.enter();
    h.load_config(0x0111);
    h.command(8);
    h.wait_ms(10);
    EXPECT_EQ(chip().id_word(0), 0x0111);
}

TEST_F(SimTest, UnimplementedConfigurationBitReadsOne) {
    // Bit 10 of the 16F87x word is not implemented; every bit of the 16F628 word is kept as written.
    for (auto [part, written, read] : {std::tuple{3, 0x3B38, 0x3F38}, {1, 0x3D08, 0x3D08}}) {
        open_with_pic(part);
        auto& h = icsp();
        h.enter();
        h.load_config(std::uint16_t(written));
        h.increment(7);
        h.command(8);
        h.wait_ms(15);   // the slowest part needs 13 ms
        EXPECT_EQ(h.read_program(), read) << part;
        EXPECT_EQ(chip().config_word(), read) << part;
        close();
    }
}

TEST_F(SimTest, EveryPartReportsItsOwnDeviceId) {
    const std::uint16_t want[] = {0x0562, 0x07C3, 0x09E7, 0x09A6};   // the 16F84 answers as a 16F84A
    for (int i = 0; i < 4; ++i) {
        open_with_pic(i);
        icsp().enter();
        icsp().load_config(0x3FFF);
        icsp().increment(6);
        EXPECT_EQ(icsp().read_program(), want[i]) << i;
        close();
    }
}

TEST_F(SimTest, ProgramCounterWrapsInBothSpaces) {
    open_with_pic(0);   // 1K words
    chip().set_program_word(3, 0x0AAA);
    auto& h = icsp();
    h.enter();
    h.increment(1024 + 3);
    EXPECT_EQ(h.read_program(), 0x0AAA);
    h.load_config(0x3FFF);
    h.increment(0x2000);   // 0x3FFF -> 0x2000
    EXPECT_EQ(chip().pc(), 0x2000);
    h.enter();
    h.increment(0x2000);   // user space never reaches configuration space
    EXPECT_EQ(chip().pc(), 0x0000);
}

TEST_F(SimTest, CommandDuringBusyIsSuppressedAndCounted) {
    open_with_pic(3);
    auto& h = icsp();
    h.enter();
    h.load_program(0x0042);
    h.command(8);
    // No wait: the read is not executed, the node stays at DTR's released level.
    EXPECT_EQ(h.read_program(), 0x3FFF);
    h.increment();   // also lost: the address stays
    EXPECT_EQ(bench().counters().timing_violations, 2u);
    h.wait_ms(10);
    EXPECT_EQ(chip().pc(), 0);
    // The cycle itself completed normally.
    EXPECT_EQ(h.read_program(), 0x0042);
}

TEST_F(SimTest, SuppressedLoadKeepsFramingSoLaterCommandsStillWork) {
    open_with_pic(3);
    auto& h = icsp();
    h.enter();
    h.program_word(0x0001, 0);   // no wait at all
    h.load_program(0x0002);      // suppressed, but its 16 clocks are consumed
    h.wait_ms(10);
    EXPECT_EQ(h.read_program(), 0x0001);
    EXPECT_EQ(bench().counters().timing_violations, 1u);
}

TEST_F(SimTest, RequiredTimeDependsOnThePart) {
    // 16F628: erase + program takes 13 ms.
    open_with_pic(1);
    auto& h = icsp();
    h.enter();
    h.program_word(0x0100, 11);
    EXPECT_EQ(h.read_program(), 0x3FFF);
    EXPECT_EQ(bench().counters().timing_violations, 1u);
    h.wait_ms(5);
    h.program_word(0x0100, 13);
    EXPECT_EQ(h.read_program(), 0x0100);
    EXPECT_EQ(bench().counters().timing_violations, 1u);
}

TEST_F(SimTest, ProgramOnlyClearsBitsWithoutErasing) {
    open_with_pic(2);
    chip().set_program_word(0, 0x3F0F);
    auto& h = icsp();
    h.enter();
    h.load_program(0x00FF);
    h.command(24);
    h.wait_ms(4);
    EXPECT_EQ(chip().program_word(0), 0x000F);
}

TEST_F(SimTest, DroppingVppDuringTheCycleLosesTheWrite) {
    open_with_pic(3);
    auto& h = icsp();
    h.enter();
    h.load_program(0x0123);
    h.command(8);
    h.wait_ms(2);
    h.leave();
    h.wait_ms(20);
    EXPECT_EQ(chip().program_word(0), 0x3FFF);
    EXPECT_EQ(bench().counters().timing_violations, 1u);
}

TEST_F(SimTest, BulkErasePerCommandsNineAndEleven) {
    open_with_pic(3);
    chip().set_program_word(100, 0);
    chip().set_data_byte(7, 0);
    chip().set_id_word(0, 0);
    auto& h = icsp();
    h.enter();
    h.load_program(0x3FFF);
    h.command(9);
    h.command(8);   // harmless, and no violation though the erase is running
    h.wait_ms(10);
    EXPECT_EQ(chip().program_word(100), 0x3FFF);
    EXPECT_EQ(chip().data_byte(7), 0x00);
    h.load_data(0xFF);
    h.command(11);   // alone
    h.wait_ms(10);
    EXPECT_EQ(chip().data_byte(7), 0xFF);
    EXPECT_EQ(chip().id_word(0), 0);   // IDs are not program memory
    EXPECT_EQ(bench().counters().timing_violations, 0u);
}

TEST_F(SimTest, BulkEraseSetupSequencesPickMemoryByTheLastLoad) {
    open_with_pic(0);
    chip().set_program_word(5, 0);
    chip().set_data_byte(5, 0);
    auto& h = icsp();
    h.enter();
    h.load_program(0x3FFF);
    h.erase_sequence();
    EXPECT_EQ(chip().program_word(5), 0x3FFF);
    EXPECT_EQ(chip().data_byte(5), 0x00);
    h.load_data(0xFF);
    h.erase_sequence();
    EXPECT_EQ(chip().data_byte(5), 0xFF);
}

TEST_F(SimTest, BrokenSetupSequenceIsAnOrdinaryProgramCycle) {
    open_with_pic(0);
    chip().set_program_word(1, 0);
    auto& h = icsp();
    h.enter();
    h.load_program(0x0077);
    h.command(1);
    h.command(6);   // breaks the sequence
    h.command(7);
    h.command(8);
    h.wait_ms(10);
    EXPECT_EQ(chip().program_word(1), 0x0077);
    EXPECT_EQ(chip().program_word(0), 0x3FFF);
}

TEST_F(SimTest, TheUartRegistersDriveTheSameBoard) {
    bench().select_target(TargetKind::Pic, 2);
    open();   // power comes from the open port
    UartLines uart(bench().ports());
    Icsp h(uart, bench().clock());
    h.enter();
    h.program_word(0x1A2B);
    h.enter();
    EXPECT_EQ(h.read_program(), 0x1A2B);
    // Both views agree on the lines.
    uart.data(true);
    EXPECT_TRUE(port_->cts());
    EXPECT_EQ(bench().uart().mcr() & 1, 1);
}

} // namespace korvane::sim::test
