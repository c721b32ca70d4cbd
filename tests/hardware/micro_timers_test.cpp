#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "fakes.h"
#include "hardware/micro_timers.h"
#include "hardware/system_seams.h"

namespace korvane::test {
namespace {

using ::testing::ElementsAre;

TEST(CpuFigure, ReadsTheFirstProcessorOfCpuinfo) {
    const std::string text =
        "processor\t: 0\nmodel name\t: Some CPU\ncpu MHz\t\t: 1994.600\ncache size\t: 512 KB\n\n"
        "processor\t: 1\ncpu MHz\t\t: 3400.000\n";
    ASSERT_TRUE(parse_cpu_mhz(text).has_value());
    EXPECT_DOUBLE_EQ(*parse_cpu_mhz(text), 1994.6);
    EXPECT_FALSE(parse_cpu_mhz("processor\t: 0\nBogoMIPS\t: 50.00\n").has_value());
    EXPECT_FALSE(parse_cpu_mhz("cpu MHz\t\t: garbage\n").has_value());
    EXPECT_FALSE(parse_cpu_mhz("").has_value());
}

TEST(CpuFigure, ReportedFigureIsRoundedAndComputedOnce) {
    for (auto [reported, expected] : {std::pair{1994.6, 1995u}, {1994.4, 1994u}, {2400.0, 2400u}}) {
        int reads = 0;
        CpuFigure figure([&] {
            ++reads;
            return std::optional<double>(reported);
        });
        FakeClock clock;
        EXPECT_FALSE(figure.calibrated());
        EXPECT_EQ(figure.mhz(clock), expected);
        EXPECT_EQ(figure.mhz(clock), expected);
        EXPECT_EQ(reads, 1);
        EXPECT_EQ(figure.computations(), 1);
        EXPECT_TRUE(figure.calibrated());
        EXPECT_DOUBLE_EQ(figure.us_per_tick(), 1.0 / expected);
        EXPECT_EQ(clock.now_us(), 1000000u) << "no measurement when a figure is reported";
    }
}

TEST(CpuFigure, MeasuresOver200MsWhenNothingIsReported) {
    for (auto [rate, expected] : {std::pair{1994.6, 1995u}, {1994.4, 1994u}}) {
        CpuFigure figure([] { return std::optional<double>(); });
        Trace trace;
        FakeClock clock(&trace);
        clock.ticks_per_us = rate;
        EXPECT_EQ(figure.mhz(clock), expected);
        EXPECT_THAT(trace, ElementsAre("sleep 200"));
        EXPECT_EQ(figure.mhz(clock), expected);
        EXPECT_EQ(trace.size(), 1u);
    }
}

TEST(CpuFigure, AStoppedCounterDoesNotGiveAZeroFigure) {
    CpuFigure figure([] { return std::optional<double>(); });
    FakeClock clock;
    clock.ticks_per_us = 0.0;
    EXPECT_EQ(figure.mhz(clock), 1u);
    EXPECT_EQ(CpuFigure::round_figure(0.2), 1u);
}

TEST(MicroTimers, ElapsedMicrosecondsFromTheTimestampCounter) {
    CpuFigure figure([] { return std::optional<double>(2400.0); });
    FakeClock clock;
    clock.ticks_per_us = 2400.0;
    FakePortIO ports(nullptr);
    MicroTimers timers(clock, ports, figure);
    const auto start = timers.timestamp();
    clock.advance_us(37);
    EXPECT_EQ(timers.elapsed_us(start), 37u);
    EXPECT_EQ(timers.cpu_mhz(), 2400);
}

TEST(MicroTimers, OnlyTheLowByteCountsAndWithoutPortAccessTheClockBusyWaits) {
    FakeClock clock;
    FakePortIO ports(nullptr, &clock);
    MicroTimers timers(clock, ports);
    timers.wait_us(0);
    timers.wait_us(0x100);
    EXPECT_EQ(ports.accesses, 0);
    ports.ready = false;
    timers.wait_us(0);
    EXPECT_TRUE(clock.busy_waits.empty());
    timers.wait_us(20);
    timers.wait_us(0x105);
    EXPECT_THAT(clock.busy_waits, ElementsAre(20u, 5u));
    EXPECT_EQ(ports.accesses, 0);
}

TEST(MicroTimers, PitWaitRunsTheTimerSequence) {
    Trace trace;
    FakeClock clock;
    FakePortIO ports(&trace, &clock);
    ports.log_reads = true;
    ports.regs[0x61] = 0xAA;
    MicroTimers timers(clock, ports);
    const auto start = clock.now_us();
    timers.wait_us(5);
    // Each access takes 1 us on the model: the count of 5 (4.2 us) has wrapped at the fourth poll.
    EXPECT_THAT(trace, ElementsAre("R 061=AA", "W 061=A9", "W 043=90", "W 042=05", "W 043=80", "R 042=04",
                                   "W 043=80", "R 042=02", "W 043=80", "R 042=00", "W 043=80", "R 042=FD",
                                   "W 043=B6", "R 061=A9", "W 061=A8"));
    EXPECT_GE(clock.now_us() - start, 5u);
}

TEST(MicroTimers, PitWaitGivesUpAfterSixteenPolls) {
    Trace trace;
    FakeClock clock;
    FakePortIO ports(&trace, &clock);
    ports.access_us = 0;   // a timer that never moves
    MicroTimers timers(clock, ports);
    timers.wait_us(30);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "W 043=80"), 16);
    EXPECT_EQ(trace.back(), "W 061=00");
}

TEST(MicroTimers, CalibrationFindsTheLoopCountOfOneMicrosecond) {
    MicroTimers timers(system_clock(), system_port_io());
    timers.calibrate_loop_delay();
    EXPECT_GE(timers.loops_per_us(), 1u);
}

TEST(MicroTimers, CalibrationEndsOnAClockThatDoesNotMove) {
    CpuFigure figure([] { return std::optional<double>(1000.0); });
    FakeClock clock;
    FakePortIO ports(nullptr);
    MicroTimers timers(clock, ports, figure);
    timers.calibrate_loop_delay();
    EXPECT_GT(timers.loops_per_us(), 1u);
}

template <class Wait>
std::int64_t elapsed_ns(Wait wait) {
    const auto t0 = std::chrono::steady_clock::now();
    wait();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - t0).count();
}

// The only wall-clock assertion allowed: a wait never ends early, on the clock or through the timers.
TEST(RealClock, WaitsLastAtLeastTheTimeAsked) {
    IClock& clock = system_clock();
    FakePortIO no_ports(nullptr);
    no_ports.ready = false;
    MicroTimers timers(clock, no_ports);
    for (std::uint32_t n : {1u, 5u, 20u, 30u, 255u}) {
        for (int i = 0; i < 20; ++i)
            EXPECT_GE(elapsed_ns([&] { clock.busy_wait_us(n); }), std::int64_t(n) * 1000) << n;
        EXPECT_GE(elapsed_ns([&] { timers.wait_us(n); }), std::int64_t(n) * 1000) << n;
    }
}

TEST(RealClock, SleepAndMonotonicCount) {
    IClock& clock = system_clock();
    const auto a = clock.now_us();
    clock.sleep_ms(2);
    const auto b = clock.now_us();
    EXPECT_GE(b - a, 2000u);
    EXPECT_GT(clock.timestamp(), 0u);
}

TEST(SystemPortIO, IsNotReadyUntilAccessIsGranted) {
    EXPECT_FALSE(system_port_io().driver_ready());
    EXPECT_FALSE(system_port_io().direct());
}

} // namespace
} // namespace korvane::test
