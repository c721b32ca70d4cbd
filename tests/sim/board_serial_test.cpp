#include "sim_fixture.h"

namespace korvane::sim::test {

TEST_F(SimTest, EmptySocketEchoesDtrOnCts) {
    auto& p = open();
    for (bool level : {true, false, true}) {
        p.set_dtr(level);
        EXPECT_EQ(p.cts(), level);
    }
    // RTS and the break have nothing to answer them.
    p.set_dtr(false);
    p.set_rts(true);
    p.set_break(true);
    EXPECT_FALSE(p.cts());
}

TEST_F(SimTest, PortIsExclusiveAndUsableAgainAfterClose) {
    open();
    std::string error;
    EXPECT_EQ(bench().serial().open("SIM", error), nullptr);
    EXPECT_EQ(error, "Device or resource busy");
    close();
    auto again = bench().serial().open("SIM", error);
    EXPECT_NE(again, nullptr);
}

TEST_F(SimTest, HandleStopsWorkingOnceClosedElsewhere) {
    auto& p = open();
    bench().sim_serial().force_close();
    EXPECT_FALSE(p.set_dtr(true));
    EXPECT_FALSE(p.cts());
    EXPECT_FALSE(bench().board().power());
}

TEST_F(SimTest, SettingsAreSavedOnOpenAndRestoredOnRequest) {
    auto& p = open();
    const SerialSettings before = bench().sim_serial().settings();
    ASSERT_TRUE(p.configure({16457, 8, Parity::Even, 2}));
    EXPECT_EQ(bench().sim_serial().settings().baud, 16457u);
    EXPECT_FALSE(p.configure({9600, 9, Parity::None, 1}));   // no 9-bit characters
    ASSERT_TRUE(p.restore_saved_settings());
    EXPECT_EQ(bench().sim_serial().settings().baud, before.baud);
    EXPECT_EQ(bench().sim_serial().settings().parity, before.parity);
}

TEST_F(SimTest, ReadWithoutPartnerTimesOutOnTheClock) {
    auto& p = open();
    ASSERT_TRUE(p.set_timeouts({0, 250, 0}));
    const auto t0 = bench().clock().now_us();
    std::uint8_t buf[4];
    EXPECT_EQ(p.read(buf, 4), 0u);
    EXPECT_GE(bench().clock().now_us() - t0, 250000u);
    const std::uint8_t out[2] = {1, 2};
    EXPECT_EQ(p.write(out, 2), 2u);
    EXPECT_EQ(p.available(), 0u);
    EXPECT_TRUE(p.purge());
}

TEST_F(SimTest, ClosingDropsLinesBreakAndPower) {
    auto& p = open();
    EXPECT_TRUE(bench().board().power());
    p.set_break(true);
    close();
    EXPECT_FALSE(bench().board().power());
    EXPECT_FALSE(bench().board().brk());
    EXPECT_FALSE(bench().board().dtr());
    EXPECT_FALSE(bench().board().rts());
}

TEST_F(SimTest, TraceRecordsEachLineChangeWithTime) {
    auto& p = open();
    bench().trace().enable(3);
    p.set_dtr(false);
    bench().clock().busy_wait_us(5);
    p.set_rts(false);
    p.set_rts(false);   // no change, no entry
    p.set_break(true);
    p.set_dtr(true);
    const auto& t = bench().trace().entries();
    ASSERT_EQ(t.size(), 3u);   // bounded: the oldest gave way
    EXPECT_EQ(bench().trace().dropped(), 1u);
    EXPECT_FALSE(t[0].rts);
    EXPECT_FALSE(t[0].brk);
    EXPECT_GE(t[0].time_ns, 5000u);
    EXPECT_TRUE(t[1].brk);
    EXPECT_TRUE(t[2].dtr);
    EXPECT_TRUE(t[2].data);   // empty socket: the node follows DTR
    bench().trace().clear();
    EXPECT_TRUE(bench().trace().entries().empty());
}

TEST(SimBenchSingleton, ConfiguredFromTheEnvironment) {
    auto& bench = SimBench::instance();
    bench.reset_from_env();
    EXPECT_TRUE(bench.sim_clock().is_virtual());   // the test environment asks for it
    EXPECT_TRUE(bench.ports().driver_ready());
    EXPECT_EQ(&bench, &SimBench::instance());
}

TEST_F(SimTest, HandleOutlivingTheBenchIsHarmless) {
    auto& p = open();
    bench_.reset();
    EXPECT_FALSE(p.set_dtr(true));
    EXPECT_FALSE(p.cts());
    port_.reset();
}

TEST_F(SimTest, ClosingThePortTakesTheChipOutOfProgrammingMode) {
    open_with_pic(3);
    icsp().enter();
    EXPECT_TRUE(chip().in_programming_mode());
    close();
    EXPECT_FALSE(chip().in_programming_mode());
    auto& p = open();
    // Powered up with the lines as the open leaves them: running, not programming.
    EXPECT_FALSE(chip().in_programming_mode());
    p.set_dtr(false);
    EXPECT_FALSE(p.cts());
}

TEST_F(SimTest, SelectingTheSameDeviceKeepsTheChip) {
    bench().select_target(TargetKind::Pic, 2);
    chip().set_program_word(9, 0x0009);   // not saved anywhere yet
    bench().select_target(TargetKind::Pic, 2);
    EXPECT_EQ(chip().program_word(9), 0x0009);
    bench().select_target(TargetKind::Pic, 3);
    bench().select_target(TargetKind::Pic, 2);   // taken out (and kept), put back
    EXPECT_EQ(chip().program_word(9), 0x0009);
}

TEST_F(SimTest, ResetFromEnvironmentStartsAFreshBench) {
    bench().select_target(TargetKind::Pic, 0);
    open();
    bench().clock().sleep_ms(5);
    bench().counters().commands = 7;
    bench().trace().enable();
    bench().reset_from_env();
    EXPECT_FALSE(bench().sim_serial().is_open());
    EXPECT_EQ(bench().chip(), nullptr);
    EXPECT_EQ(bench().target_kind(), TargetKind::None);
    EXPECT_EQ(bench().clock().now_us(), 0u);
    EXPECT_EQ(bench().counters().commands, 0u);
    EXPECT_FALSE(bench().trace().enabled());
    port_.reset();
}

TEST_F(SimTest, TraceShowsTheChipDrivingTheNode) {
    open_with_pic(3);
    chip().set_program_word(0, 0x0000);
    icsp().enter();
    icsp().command(4);
    bench().trace().enable();
    port_->set_dtr(true);
    port_->set_rts(true);   // clock 1: not driven
    port_->set_rts(false);
    port_->set_rts(true);   // clock 2: bit 0 driven low against DTR high
    const auto& t = bench().trace().entries();
    ASSERT_EQ(t.size(), 4u);
    EXPECT_TRUE(t[1].data);
    EXPECT_TRUE(t[3].dtr);
    EXPECT_FALSE(t[3].data);
}

} // namespace korvane::sim::test
