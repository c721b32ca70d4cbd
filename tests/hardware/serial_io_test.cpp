#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "line_fixture.h"

namespace korvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class SerialCallsBackend : public LineFixture {
protected:
    void SetUp() override { use_direct(false); }
};

class DirectBackend : public LineFixture {
protected:
    void SetUp() override { use_direct(true); }
};

TEST_F(SerialCallsBackend, OpenPreparesThePortAndCloseRestoresIt) {
    ASSERT_TRUE(io.open_port("COM1"));
    EXPECT_TRUE(io.is_open());
    EXPECT_THAT(take(), ElementsAre("open dev:COM1", "configure 115200 8N1", "timeouts 0/0/0", "purge"));
    io.close_port();
    EXPECT_FALSE(io.is_open());
    EXPECT_THAT(take(), ElementsAre("BRK0", "purge", "restore", "close"));
    EXPECT_EQ(serial.open_ports, 0);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(SerialCallsBackend, TargetOnInBothLineModesAndWithInvertedMclr) {
    for (bool eeprom : {false, true}) {
        io.set_eeprom_line_mode(eeprom);
        open_clean();
        io.target_on();
        EXPECT_THAT(take(), ElementsAre("RTS0", "DTR0", "BRK0", "sleep 50", "RTS1", "DTR1", "sleep 60", "RTS0",
                                        "DTR0", "BRK1", "sleep 60"))
            << "eeprom line mode " << eeprom;
        io.close_port();
    }
    io.set_eeprom_line_mode(false);
    rec().invert_mclr = 1;
    rec().tset0_ms = 7;
    rec().thld0_ms = 9;
    open_clean();
    io.target_on();
    EXPECT_THAT(take(), ElementsAre("RTS1", "DTR1", "BRK1", "sleep 50", "RTS0", "DTR0", "sleep 7", "RTS1", "DTR1",
                                    "BRK0", "sleep 9"));
    // Ends with RTS and DTR set and the break cleared.
    EXPECT_TRUE(serial.lines.rts);
    EXPECT_TRUE(serial.lines.dtr);
    EXPECT_FALSE(serial.lines.brk);
}

TEST_F(SerialCallsBackend, LineChangesCallOnlyForLinesThatChangeWhileTheLevelsAreKnown) {
    open_clean();
    io.data_high();   // levels unknown after open: both lines are set
    EXPECT_THAT(take(), ElementsAre("RTS0", "DTR1"));
    io.data_high();
    io.clock_high();
    io.data_low();
    EXPECT_THAT(take(), ElementsAre("RTS1", "DTR0"));

    io.set_skip_unchanged_lines(false);
    const auto before = io.serial_call_count();
    io.clock_low();
    EXPECT_THAT(take(), ElementsAre("RTS0", "DTR0"));
    EXPECT_EQ(io.serial_call_count() - before, 2u);
    io.set_skip_unchanged_lines(true);

    // Target on leaves known levels: data and clock are already low.
    io.target_on();
    take();
    io.data_low();
    io.clock_low();
    EXPECT_TRUE(take().empty());
    // Reopening forgets them.
    io.close_port();
    open_clean();
    io.data_low();
    EXPECT_THAT(take(), ElementsAre("RTS0", "DTR0"));
}

TEST_F(SerialCallsBackend, RecordIsReadAfreshOnEveryOperation) {
    ASSERT_TRUE(io.open_port("COM1"));
    io.data_high();
    EXPECT_TRUE(serial.lines.dtr);
    rec().invert_data_out = 1;   // as the I/O configuration dialog would change it
    io.data_high();
    EXPECT_FALSE(serial.lines.dtr);
    settings.programmers[kXJDM].direct_io = 0;
    settings.programmer_type = kXJDM;   // another record without the inversion
    io.data_high();
    EXPECT_TRUE(serial.lines.dtr);
}

TEST_F(SerialCallsBackend, RefusedSettingsCloseThePortWithOneBox) {
    serial.fail_configure = true;
    EXPECT_FALSE(io.open_port("COM1"));
    EXPECT_FALSE(io.is_open());
    EXPECT_THAT(take(), ElementsAre("open dev:COM1", "configure 115200 8N1", "BRK0", "purge", "restore", "close"));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_THAT(host.boxes[0], ElementsAre(" ERROR!", "Cannot Set COM Port"));
}

TEST_F(SerialCallsBackend, LineOperationsOnAClosedPortDoNothing) {
    io.data_high();
    io.mclr_on();
    io.target_on();
    EXPECT_FALSE(io.read_data_in());
    for (const auto& line : take()) EXPECT_EQ(line.rfind("sleep", 0), 0u) << line;
    EXPECT_EQ(io.serial_call_count(), 0u);
}

TEST_F(DirectBackend, OpenClearsTheUartAndKeepsTheHandle) {
    ports.regs[0x3FB] = 0xC7;   // divisor latch and break left on by someone
    ASSERT_TRUE(io.open_port("COM1"));
    EXPECT_THAT(take(), ElementsAre("open dev:COM1", "W 3FB=07", "W 3F9=00", "W 3FA=00"));
    EXPECT_EQ(io.line_shadow(), 0);
}

TEST_F(DirectBackend, TargetOnInPicLineMode) {
    open_clean();
    io.target_on();
    EXPECT_THAT(take(), ElementsAre("W 3FB=47", "sleep 350", "W 3FC=00", "W 3FC=00", "W 3FB=07", "sleep 50",
                                    "W 3FC=01", "W 3FC=03", "sleep 60", "W 3FC=02", "W 3FC=00", "W 3FB=47",
                                    "sleep 60"));
    // The break is still set: a second target on skips the 350 ms settling wait.
    io.target_on();
    const Trace again = take();
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(again[0], "W 3FC=00");
    EXPECT_EQ(std::count(again.begin(), again.end(), "sleep 350"), 0);
    io.close_port();

    // Data and clock inversions change the levels; the MCLR inversion is not consulted here.
    rec().invert_data_out = 1;
    rec().invert_clock = 1;
    rec().invert_mclr = 1;
    open_clean();
    io.target_on();
    EXPECT_THAT(take(), ElementsAre("W 3FB=47", "sleep 350", "W 3FC=01", "W 3FC=03", "W 3FB=07", "sleep 50",
                                    "W 3FC=02", "W 3FC=00", "sleep 60", "W 3FC=01", "W 3FC=03", "W 3FB=47",
                                    "sleep 60"));
}

TEST_F(DirectBackend, TargetOnInEepromLineModeWaitsTheBitTimeAfterEveryChange) {
    rec().invert_data_out = 1;   // ignored in this line mode
    io.set_eeprom_line_mode(true);
    open_clean();
    io.target_on();
    EXPECT_THAT(take_condensed(),
                ElementsAreArray({"W 3FB=00", "W 3FC=00", "pit 01", "W 3FC=00", "pit 01", "W 3FC=00", "pit 01",
                                  "sleep 30", "W 3FB=40", "W 3FC=01", "pit 01", "W 3FC=03", "pit 01", "W 3FC=03",
                                  "pit 01", "W 3FB=00", "W 3FC=02", "pit 01", "W 3FC=00", "pit 01", "W 3FC=00",
                                  "pit 01", "sleep 10", "W 3FB=40", "sleep 300", "W 3FC=01", "pit 01",
                                  "W 3FC=03", "pit 01", "W 3FC=03", "pit 01"}));
}

TEST_F(DirectBackend, EepromBitTimeUsesTheLowByteAndTheBusyWaitWithoutPortAccess) {
    rec().eeprom_bit_time_us = 0x105;
    io.set_eeprom_line_mode(true);
    open_clean();
    io.data_high();
    EXPECT_THAT(take_condensed(), ElementsAre("W 3FC=01", "pit 05"));
    // Serial-calls backend on a machine without port access: the clock's busy wait.
    use_direct(false);
    ports.ready = false;
    io.clock_high();
    EXPECT_THAT(take(), ElementsAre("RTS1", "DTR1", "us 5"));
}

TEST_F(DirectBackend, PortNameChoosesTheUartBase) {
    ASSERT_TRUE(io.open_port("COM7"));
    EXPECT_EQ(io.uart_base(), 0x3F8);
    io.mclr_on();
    EXPECT_EQ(take().back(), "W 3FB=47");
    io.close_port();
    ASSERT_TRUE(io.open_port("COM4"));
    io.mclr_on();
    EXPECT_EQ(take().back(), "W 2EB=47");
    for (auto [name, base] : {std::pair{"COM1", 0x3F8}, {"COM2", 0x2F8}, {"COM3", 0x3E8}, {"COM4", 0x2E8},
                              {"COM12", 0x3F8}, {"SIM", 0x3F8}, {"", 0x3F8}})
        EXPECT_EQ(uart_base_for(name), base) << name;
}

TEST_F(DirectBackend, CloseIdlesTheOutputsThenRestoresThePort) {
    ASSERT_TRUE(io.open_port("COM1"));
    io.target_on();
    take();
    io.close_port();
    EXPECT_THAT(take(), ElementsAre("W 3FB=07", "W 3FC=01", "W 3FC=03", "W 3FB=07", "sleep 100", "BRK0", "purge",
                                    "restore", "close"));
}

TEST_F(DirectBackend, CloseInEepromLineModeLeavesTheSocketPowered) {
    io.set_eeprom_line_mode(true);
    ASSERT_TRUE(io.open_port("COM1"));
    ports.regs[0x3FB] = 0x40;
    take();
    io.close_port();
    EXPECT_THAT(take_condensed(),
                ElementsAre("W 3FB=00", "W 3FC=01", "pit 01", "W 3FC=03", "pit 01", "BRK0", "purge", "restore",
                            "close"));
}

TEST_F(DirectBackend, WithoutPortAccessOpenFailsAsAPrivilegedInstruction) {
    ports.ready = false;
    EXPECT_FALSE(io.open_port("COM1"));
    EXPECT_FALSE(io.is_open());
    EXPECT_THAT(take(), ElementsAre("open dev:COM1", "restore", "close"));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_THAT(host.boxes[0], ElementsAre(" ERROR!", "I/O ERROR: Privileged Instruction"));
}

TEST_F(LineFixture, MclrFollowsItsInversionOnBothBackends) {
    for (bool direct : {false, true}) {
        use_direct(direct);
        rec().invert_mclr = 0;
        open_clean();
        io.mclr_on();
        io.mclr_off();
        rec().invert_mclr = 1;
        io.mclr_on();
        io.mclr_off();
        if (direct)
            EXPECT_THAT(take(), ElementsAre("W 3FB=47", "W 3FB=07", "W 3FB=07", "W 3FB=47"));
        else
            EXPECT_THAT(take(), ElementsAre("BRK1", "BRK0", "BRK0", "BRK1"));
        io.close_port();
        take();
    }
}

TEST_F(LineFixture, OpenFailureShowsOneBoxTouchesNothingAndClosesSafely) {
    serial.fail_open = true;
    for (bool direct : {false, true}) {
        use_direct(direct);
        host.boxes.clear();
        host.kinds.clear();
        EXPECT_FALSE(io.open_port("COM3"));
        EXPECT_FALSE(io.is_open());
        EXPECT_THAT(take(), ElementsAre("open dev:COM3")) << direct;
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_THAT(host.boxes[0],
                    ElementsAre(" ERROR!", "Couldn't get a handle to the COM port", "No such file or directory"));
        EXPECT_EQ(host.kinds[0], MsgKind::Error);
        io.close_port();
        io.close_port();
        EXPECT_TRUE(take().empty());
        EXPECT_EQ(host.boxes.size(), 1u);
    }
}

// Data Out / Clock levels for every backend, line mode and inversion.
TEST_F(LineFixture, OutputInversionsApplyOnlyInPicLineMode) {
    for (bool direct : {false, true}) {
        for (bool eeprom : {false, true}) {
            for (int invert : {0, 1}) {
                use_direct(direct);
                rec().invert_data_out = std::uint8_t(invert);
                rec().invert_clock = std::uint8_t(invert);
                io.set_eeprom_line_mode(eeprom);
                ASSERT_TRUE(io.open_port("COM1"));
                const bool expect_high = eeprom || invert == 0;
                io.data_high();
                io.clock_low();
                const bool dtr = direct ? (ports.regs[0x3FC] & 1) != 0 : serial.lines.dtr;
                const bool rts = direct ? (ports.regs[0x3FC] & 2) != 0 : serial.lines.rts;
                EXPECT_EQ(dtr, expect_high) << direct << eeprom << invert;
                EXPECT_EQ(rts, !expect_high) << direct << eeprom << invert;
                io.close_port();
            }
        }
    }
}

TEST_F(LineFixture, DataInInversionAppliesInBothLineModes) {
    for (bool direct : {false, true}) {
        for (bool eeprom : {false, true}) {
            use_direct(direct);
            io.set_eeprom_line_mode(eeprom);
            ASSERT_TRUE(io.open_port("COM1"));
            serial.lines.cts = false;
            ports.regs[0x3FE] = 0xEF;   // every status bit but CTS
            rec().invert_data_in = 1;
            EXPECT_TRUE(io.read_data_in()) << direct << eeprom;
            rec().invert_data_in = 0;
            EXPECT_FALSE(io.read_data_in()) << direct << eeprom;
            serial.lines.cts = true;
            ports.regs[0x3FE] = 0x10;
            EXPECT_TRUE(io.read_data_in()) << direct << eeprom;
            io.close_port();
        }
    }
}

TEST_F(LineFixture, DestructionClosesAnOpenPort) {
    {
        Serial_IO other(settings, host, resolver);
        use_direct(false);
        ASSERT_TRUE(other.open_port("COM5"));
        EXPECT_EQ(serial.open_ports, 1);
    }
    EXPECT_EQ(serial.open_ports, 0);
    EXPECT_EQ(serial.lines.restores, 1);
}

} // namespace
} // namespace korvane::test
