#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "common/test_env.h"
#include "line_fixture.h"
#include "trace/line_recorder.h"

namespace korvane::test {
namespace {

using ::testing::ElementsAre;
using trace::Group;
using trace::LineRecorder;

// The changes of a VCD file as "time NAME level".
std::vector<std::string> vcd_changes(const std::string& text) {
    std::map<std::string, std::string> names;   // id -> wire name
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line, time;
    bool body = false;
    while (std::getline(in, line)) {
        if (!body) {
            std::istringstream w(line);
            std::string tok, type, width, id, name;
            w >> tok;
            if (tok == "$var" && (w >> type >> width >> id >> name)) names[id] = name;
            if (tok == "$enddefinitions") body = true;
        } else if (!line.empty() && line[0] == '#') {
            time = line.substr(1);
        } else if (line.size() > 1) {
            out.push_back(time + " " + names[line.substr(1)] + " " + line.substr(0, 1));
        }
    }
    return out;
}

class SerialIoTrace : public LineFixture {
protected:
    void record(bool direct, bool eeprom) {
        use_direct(direct);
        ports.access_us = 0;
        io.set_eeprom_line_mode(eeprom);
        open_clean();
        ASSERT_TRUE(LineRecorder::instance().start(dir.path() / "t.vcd",
                                                   {Group::HostPort, Group::Icsp, Group::I2c}));
    }
    std::vector<std::string> changes() {
        EXPECT_TRUE(LineRecorder::instance().stop());
        return vcd_changes(read_file(dir.path() / "t.vcd"));
    }
    TempDir dir;
};

// Data Out and Clock inverted: the port lines show the inversion, the ICSP names do not; every
// CTS sample toggles CTS_SAMPLE; no extra port calls.
TEST_F(SerialIoTrace, IcspLinesAfterTheInversionsInBothBackends) {
    for (bool direct : {false, true}) {
        rec().invert_data_out = 1;
        rec().invert_clock = 1;
        record(direct, false);
        io.data_high();
        clock.advance_us(2);
        io.clock_low();
        clock.advance_us(3);
        io.mclr_on();
        clock.advance_us(1);
        serial.lines.cts = true;
        ports.regs[std::uint16_t(io.uart_base() + Serial_IO::kMSR)] = 0x10;
        EXPECT_TRUE(io.read_data_in());
        EXPECT_TRUE(io.read_data_in());
        const auto got = changes();
        const auto calls = take_condensed();
        if (direct) {
            EXPECT_THAT(got, ElementsAre("0 DTR 0", "0 DATA_OUT 1", "0 RTS 0", "0 CLOCK 1", "2000 RTS 1",
                                         "2000 CLOCK 0", "5000 TXD_BREAK 1", "5000 MCLR_VPP 1", "6000 CTS 1",
                                         "6000 CTS_SAMPLE 1", "6000 DATA_IN 1", "6000 CTS_SAMPLE 0"));
        } else {
            EXPECT_THAT(got, ElementsAre("0 RTS 0", "0 CLOCK 1", "0 DTR 0", "0 DATA_OUT 1", "2000 RTS 1",
                                         "2000 CLOCK 0", "5000 TXD_BREAK 1", "5000 MCLR_VPP 1", "6000 CTS 1",
                                         "6000 CTS_SAMPLE 1", "6000 DATA_IN 1", "6000 CTS_SAMPLE 0"));
            EXPECT_THAT(calls, ElementsAre("RTS0", "DTR0", "RTS1", "BRK1", "CTS?", "CTS?"));
        }
        io.close_port();
    }
}

TEST_F(SerialIoTrace, EepromLineModeRecordsSclAndSda) {
    record(false, true);
    io.data_low();
    clock.advance_us(1);
    io.clock_high();
    const auto got = changes();
    EXPECT_THAT(got, ElementsAre("0 RTS 0", "0 SCL 0", "0 DTR 0", "0 SDA 0", "1000 RTS 1", "1000 SCL 1"));
}

} // namespace
} // namespace korvane::test
