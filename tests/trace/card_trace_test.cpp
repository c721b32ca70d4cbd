// The card reader's lines as sigrok sees them: the answer to reset and a block exchange on the
// half-duplex I/O contact decode as the bytes the host's receiver got, at both reader clocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "card_loader_fixture.h"
#include "trace/line_recorder.h"
#include "trace/sigrok.h"

namespace korvane::sim::test {
namespace {

using korvane::test::annotation_texts;
using korvane::test::sigrok_decode;
using trace::Group;
using trace::LineRecorder;

std::string hex(std::uint8_t b) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", b);
    return text;
}

class CardTraceTest : public ZenCardTest {
protected:
    void TearDown() override {
        LineRecorder::instance().stop();
        ZenCardTest::TearDown();
    }
};

TEST_F(CardTraceTest, TheIoContactDecodesAsTheBytesOnTheLineAtEitherClock) {
    write_loader_18f();
    for (std::uint32_t baud : {9600u, 16457u}) {
        SCOPED_TRACE(baud);
        const auto vcd = std::filesystem::path(::testing::TempDir()) / ("card_" + std::to_string(baud) + ".vcd");
        ASSERT_TRUE(LineRecorder::instance().start(vcd, {Group::Card})) << LineRecorder::instance().error();
        bench().reader().restart();
        bench().select_card(kZenPic, kZenEeprom);
        CardLinkHost& host = started_card(baud);
        EXPECT_EQ(bench().reader().card()->clock_hz(), baud == 9600 ? 3579545u : 6000000u);
        ASSERT_TRUE(host.init(false)) << host.last_error;
        const auto data = pattern(16, baud);
        ASSERT_EQ(host.write_block(0x0120, data), 0x90) << host.last_error;
        close_card();
        ASSERT_TRUE(LineRecorder::instance().stop()) << LineRecorder::instance().error();

        // Echoes are the host's bytes: the history is every character on the line, in order.
        std::vector<std::string> on_line;
        for (const LineByte& b : bench().reader().history()) on_line.push_back(hex(b.value));
        std::vector<std::string> atr;
        for (std::uint8_t b : kAtr) atr.push_back(hex(b));
        ASSERT_GE(on_line.size(), atr.size());
        EXPECT_EQ(std::vector<std::string>(on_line.begin(), on_line.begin() + std::ptrdiff_t(atr.size())), atr);

        // sigrok's receiver takes at most 1.5 stop bits; the card's 2 only lengthen the gap.
        const std::string uart = "uart:rx=CARD_IO:baudrate=" + std::to_string(baud) + ":parity=even:stop_bits=1.5";
        const auto lines = sigrok_decode(vcd, uart, "uart=rx-data", "downsample=100");
        EXPECT_EQ(annotation_texts(lines), on_line);

        // The EEPROM bus: the page write of that block. sigrok's i2c decoder runs the loader's
        // bus reset at power-up (a START, one clock, a STOP) into the next transfer, so the reader
        // skips the first millisecond (the block comes tens of ms later).
        auto i2c = annotation_texts(sigrok_decode(vcd, "i2c:scl=CARD_EE_SCL:sda=CARD_EE_SDA",
                                                  "i2c=address-write:data-write", "downsample=10:skip=1000000"));
        std::vector<std::string> expected = {"Address write: 50", "Data write: 01", "Data write: 20"};
        for (std::uint8_t b : data) expected.push_back("Data write: " + hex(b));
        ASSERT_GE(i2c.size(), expected.size() + 1) << ::testing::PrintToString(i2c);
        EXPECT_EQ(std::vector<std::string>(i2c.begin() + 1, i2c.begin() + std::ptrdiff_t(expected.size()) + 1), expected);
    }
}

} // namespace
} // namespace korvane::sim::test
