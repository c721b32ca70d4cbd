#include "sim_fixture.h"

namespace korvane::sim::test {

// The microsecond wait on the PC timer itself is checked with MicroTimers in tests/hardware.
TEST_F(SimTest, PitCountsDownOnlyWithTheGateOpen) {
    auto& io = bench().ports();
    auto& clk = bench().sim_clock();
    io.write_byte(0x61, 0x00);
    io.write_byte(0x43, 0xB0);   // channel 2, low then high, mode 0
    io.write_byte(0x42, 0x10);
    io.write_byte(0x42, 0x27);   // 10000
    clk.busy_wait_us(1000);
    EXPECT_EQ(bench().pit().count(), 10000);   // gate closed
    io.write_byte(0x61, 0x01);
    clk.busy_wait_us(1000);      // about 1193 counts
    io.write_byte(0x43, 0x80);
    clk.busy_wait_us(500);       // the latch holds its value
    const int lo = io.read_byte(0x42);
    const int hi = io.read_byte(0x42);
    const int v = lo | (hi << 8);
    EXPECT_NEAR(v, 10000 - 1193, 4);
    EXPECT_EQ(io.read_byte(0x61) & 0x20, 0);   // OUT2 low until the terminal count
    clk.busy_wait_us(10000);
    EXPECT_EQ(io.read_byte(0x61) & 0x21, 0x21);
}

TEST_F(SimTest, UartRegistersKeepWhatIsWrittenAndReportLines) {
    auto& io = bench().ports();
    open();
    io.write_byte(0x3FB, 0x83);   // divisor latch access
    io.write_byte(0x3F8, 0x01);
    io.write_byte(0x3F9, 0x00);
    io.write_byte(0x3FB, 0x03);
    EXPECT_EQ(bench().uart().divisor(), 1);
    io.write_byte(0x3FF, 0x5A);
    EXPECT_EQ(io.read_byte(0x3FF), 0x5A);
    EXPECT_EQ(io.read_byte(0x3FD) & 0x60, 0x60);
    io.write_byte(0x3FC, 0x01);   // DTR
    EXPECT_TRUE(bench().board().dtr());
    EXPECT_EQ(io.read_byte(0x3FE) & 0x10, 0x10);   // empty socket: CTS follows DTR
    io.write_byte(0x3FC, 0x00);
    EXPECT_EQ(io.read_byte(0x3FE) & 0x10, 0x00);
    io.write_byte(0x3FB, 0x47);
    EXPECT_TRUE(bench().board().brk());
    io.write_byte(0x3FB, 0x07);
    EXPECT_FALSE(bench().board().brk());
    // Loopback: CTS comes from RTS inside the UART and the outputs go inactive.
    io.write_byte(0x3FC, 0x13);
    EXPECT_FALSE(bench().board().dtr());
    EXPECT_EQ(io.read_byte(0x3FE) & 0x30, 0x30);
    // The other legacy bases reach the same UART; nothing else answers.
    io.write_byte(0x2FC, 0x01);
    EXPECT_TRUE(bench().board().dtr());
    EXPECT_EQ(io.read_byte(0x300), 0xFF);
    EXPECT_EQ(io.read_word(0x3FE), 0x5A10 | (io.read_byte(0x3FE) & 0x0F));
}

TEST_F(SimTest, PortAccessesTakeAboutAMicrosecond) {
    const auto t0 = bench().sim_clock().now_ns();
    bench().ports().read_byte(0x3FE);
    bench().ports().write_byte(0x3FC, 0);
    EXPECT_EQ(bench().sim_clock().now_ns() - t0, 2 * SimPortIO::kAccessNs);
}

TEST(SimClocks, VirtualClockMovesOnlyWhenWaitedOn) {
    VirtualClock c;
    EXPECT_EQ(c.now_us(), 0u);
    EXPECT_EQ(c.now_us(), 0u);
    c.busy_wait_us(7);
    c.sleep_ms(2);
    EXPECT_EQ(c.now_us(), 2007u);
    EXPECT_EQ(c.timestamp(), 2007000u);
}

TEST(SimClocks, RealClockWaitsAtLeastAsLongAsAsked) {
    RealClock c;
    const auto t0 = c.now_ns();
    c.busy_wait_us(200);
    EXPECT_GE(c.now_ns() - t0, 200000u);
    const auto t1 = c.now_ns();
    c.sleep_ms(2);
    EXPECT_GE(c.now_ns() - t1, 2000000u);
}

} // namespace korvane::sim::test
