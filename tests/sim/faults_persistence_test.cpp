#include "sim_fixture.h"

namespace korvane::sim::test {

TEST(SimFaultsParse, ItemsValuesAndUnknownOnes) {
    auto p = parse_faults(" empty ,id=0x09E7,stuck=0x10:0x0001,stuck=32:0x300, protect,tprog=20,foo,id=zz,tprog,"
                          "noack,twr=12,wp,twr=x,noack=1,twr");
    EXPECT_TRUE(p.faults.empty);
    EXPECT_TRUE(p.faults.noack);
    EXPECT_TRUE(p.faults.wp);
    EXPECT_EQ(p.faults.twr_ms, 12u);
    EXPECT_EQ(p.faults.device_id, 0x09E7);
    EXPECT_EQ(p.faults.stuck_mask(0x10), 0x0001);
    EXPECT_EQ(p.faults.stuck_mask(32), 0x0300);
    EXPECT_EQ(p.faults.stuck_mask(33), 0);
    EXPECT_TRUE(p.faults.protect);
    EXPECT_EQ(p.faults.tprog_ms, 20u);
    EXPECT_EQ(p.warnings, (std::vector<std::string>{"KORVANE_SIM: ignoring \"foo\"", "KORVANE_SIM: ignoring \"id=zz\"",
                                                    "KORVANE_SIM: ignoring \"tprog\"", "KORVANE_SIM: ignoring \"twr=x\"",
                                                    "KORVANE_SIM: ignoring \"noack=1\"", "KORVANE_SIM: ignoring \"twr\""}));
    EXPECT_TRUE(parse_faults("").warnings.empty());
    EXPECT_FALSE(parse_faults("").faults.empty);
}

TEST_F(SimTest, EmptyFaultLeavesTheSocketEmpty) {
    make_bench("empty");
    open_with_pic(3);
    EXPECT_EQ(bench().chip(), nullptr);
    icsp().enter();
    EXPECT_EQ(icsp().read_program(), 0x3FFF);
    port_->set_dtr(false);
    EXPECT_FALSE(port_->cts());
}

TEST_F(SimTest, IdFaultStuckBitsAndProtectAtStart) {
    make_bench("id=0x1234,stuck=2:0x0101,protect");
    open_with_pic(2);
    EXPECT_TRUE(decode_protection(chip().model(), chip().config_word()).code(0));
    bench().set_faults("id=0x1234,stuck=2:0x0101");
    chip().set_config_word(0x3FFF);
    chip().set_program_word(2, 0x3FFF);
    auto& h = icsp();
    h.enter();
    h.increment(2);
    EXPECT_EQ(h.read_program(), 0x3EFE);
    h.load_config(0x3FFF);
    h.increment(6);
    EXPECT_EQ(h.read_program(), 0x1234);
}

TEST_F(SimTest, SlowChipFault) {
    make_bench("tprog=20");
    open_with_pic(3);
    auto& h = icsp();
    h.enter();
    h.program_word(0x0005, 10);
    EXPECT_EQ(h.read_program(), 0x3FFF);
    EXPECT_EQ(bench().counters().timing_violations, 1u);
    h.wait_ms(10);
    h.increment();
    h.program_word(0x0006, 20);
    EXPECT_EQ(h.read_program(), 0x0006);
    EXPECT_EQ(bench().counters().timing_violations, 1u);
}

TEST_F(SimTest, MemoryPersistsAcrossBenchesPerDeviceType) {
    open_with_pic(0);
    icsp().enter();
    icsp().program_word(0x0ABC);
    close();   // power drops: the memory is kept
    EXPECT_TRUE(std::filesystem::exists(dir_.path() / "pic16f84.mem"));

    make_bench();
    bench().select_target(TargetKind::Pic, 3);
    EXPECT_EQ(chip().program_word(0), 0x3FFF);   // another device type, another file
    open_with_pic(0);
    icsp().enter();
    EXPECT_EQ(icsp().read_program(), 0x0ABC);
}

TEST_F(SimTest, DamagedImageGivesABlankChip) {
    korvane::test::write_file(dir_.path() / "pic16f877.mem", "garbage");
    bench().select_target(TargetKind::Pic, 3);
    EXPECT_EQ(chip().program_word(0), 0x3FFF);
    EXPECT_EQ(chip().config_word(), 0x3FFF);
}

TEST_F(SimTest, UnmodelledTargetsAreAnEmptySocket) {
    bench().select_target(TargetKind::Pic, 12);   // no such part
    EXPECT_EQ(bench().chip(), nullptr);
    bench().select_target(TargetKind::EEProm, 11);
    EXPECT_EQ(bench().chip(), nullptr);
    bench().select_target(TargetKind::Pic, 0);
    EXPECT_NE(bench().pic16(), nullptr);
}

} // namespace korvane::sim::test
