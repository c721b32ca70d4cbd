// The line interface and the timer wait against the simulated bench: both backends must give the
// board the same waveform.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#if __has_include("sim/sim_bench.h")
#include "fakes.h"
#include "hardware/serial_io.h"
#include "sim/sim_bench.h"

namespace korvane::test {
namespace {

using ::testing::ElementsAre;

struct Lines {
    bool dtr, rts, brk;
    bool operator==(const Lines&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Lines& l) {
    return os << "DTR" << l.dtr << " RTS" << l.rts << " BRK" << l.brk;
}

class OnTheBench : public ::testing::Test {
protected:
    OnTheBench() {
        bench().reset_from_env();
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().port_name.assign("SIM");
    }
    static sim::SimBench& bench() { return sim::SimBench::instance(); }
    std::vector<Lines> take_lines() {
        std::vector<Lines> out;
        for (const auto& e : bench().trace().entries()) {
            Lines l{e.dtr, e.rts, e.brk};
            if (out.empty() || !(out.back() == l)) out.push_back(l);
        }
        bench().trace().clear();
        return out;
    }
    Lines now() { return {bench().board().dtr(), bench().board().rts(), bench().board().brk()}; }

    SettingsRecord settings{};
    RecordingHost host;
    PortResolver resolver{PortRoots{"/nonexistent-dev", "/nonexistent-sys"},
                          [](const std::string&) { return std::string(); },
                          [](const std::string&) { return false; }};
};

TEST_F(OnTheBench, BothBackendsHoldTheTargetInProgrammingModeAndClockTheSameBits) {
    std::vector<std::vector<Lines>> patterns;
    for (bool direct : {false, true}) {
        settings.current_programmer().direct_io = direct;
        Serial_IO io(settings, host, resolver);
        ASSERT_TRUE(io.open_port("SIM")) << direct << (host.boxes.empty() ? "" : host.boxes[0].back());
        EXPECT_TRUE(io.endpoint().simulated);
        io.target_on();
        EXPECT_EQ(now(), (Lines{false, false, true})) << "VPP on, data and clock low; direct " << direct;
        bench().trace().enable();
        bench().trace().clear();
        io.data_high();
        io.clock_high();
        io.clock_low();
        io.data_low();
        io.clock_high();
        io.clock_low();
        patterns.push_back(take_lines());
        bench().trace().disable();
        io.close_port();
        EXPECT_FALSE(io.is_open());
    }
    EXPECT_THAT(patterns[0], ElementsAre(Lines{true, false, true}, Lines{true, true, true}, Lines{true, false, true},
                                         Lines{false, false, true}, Lines{false, true, true},
                                         Lines{false, false, true}));
    EXPECT_EQ(patterns[0], patterns[1]);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(OnTheBench, EmptySocketEchoesDataOutOnDataIn) {
    for (bool direct : {false, true}) {
        for (bool eeprom : {false, true}) {
            settings.current_programmer().direct_io = direct;
            Serial_IO io(settings, host, resolver);
            io.set_eeprom_line_mode(eeprom);
            ASSERT_TRUE(io.open_port("SIM"));
            io.data_high();
            EXPECT_TRUE(io.read_data_in()) << direct << eeprom;
            io.data_low();
            EXPECT_FALSE(io.read_data_in()) << direct << eeprom;
            settings.current_programmer().invert_data_in = 1;
            EXPECT_TRUE(io.read_data_in()) << direct << eeprom;
            settings.current_programmer().invert_data_in = 0;
        }
    }
}

TEST_F(OnTheBench, EnvironmentCanPutTheBenchBehindAComName) {
    PortResolver env_resolver(PortRoots{"/nonexistent-dev", "/nonexistent-sys"},
                              [](const std::string& k) { return k == "KORVANE_COM1" ? "SIM" : std::string(); },
                              [](const std::string&) { return false; });
    settings.current_programmer().port_name.assign("COM1");
    settings.current_programmer().direct_io = 1;
    Serial_IO io(settings, host, env_resolver);
    ASSERT_TRUE(io.open_port("COM1"));
    EXPECT_TRUE(io.endpoint().simulated);
    EXPECT_EQ(io.uart_base(), 0x3F8);
    io.target_on();
    EXPECT_EQ(now(), (Lines{false, false, true}));
}

TEST_F(OnTheBench, TimerWaitOnTheBenchesTimer) {
    MicroTimers timers(bench().clock(), bench().ports());
    ASSERT_TRUE(timers.pit_method());
    auto& clock = bench().sim_clock();
    for (unsigned n : {1u, 5u, 20u, 30u}) {
        const auto t0 = clock.now_ns();
        timers.wait_us(n);
        const auto waited = clock.now_ns() - t0;
        // n + 1 input periods of 1.193182 MHz at least, and not much more than a poll beyond.
        EXPECT_GE(waited, (n + 1) * 1000000000ull / sim::PitTimer::kInputHz) << n;
        EXPECT_LE(waited, (n + 2) * 1000000000ull / sim::PitTimer::kInputHz + 12 * sim::SimPortIO::kAccessNs) << n;
    }
    const auto t0 = clock.now_ns();
    timers.wait_us(0);
    EXPECT_EQ(clock.now_ns(), t0);
}

} // namespace
} // namespace korvane::test
#endif
