// The simulated socket EEPROM's pins as sigrok's i2c and eeprom24xx decoders read them: a page
// write and a sequential random read through our production bus must decode as the addresses and
// bytes the host wrote and read back, and every refused acknowledge poll as one unanswered
// control byte. And a trace leaves the waveform as it was.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "eeprom/sim_rig.h"
#include "trace/line_recorder.h"
#include "trace/sigrok.h"

namespace korvane {
namespace {

using test::annotation_texts;
using test::sigrok_decode;
using trace::Group;
using trace::LineRecorder;

constexpr int k24C16 = 4, k24C512 = 10;

std::string hex(unsigned v, int digits) {
    char text[8];
    std::snprintf(text, sizeof text, "%0*X", digits, v);
    return text;
}

std::string hex_bytes(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    for (std::uint8_t b : bytes) s += (s.empty() ? "" : " ") + hex(b, 2);
    return s;
}

struct Case {
    int type;
    std::uint32_t address;   // inside one page
    std::size_t length;
    const char* chip;        // the eeprom24xx decoder's chip with this type's address bytes and page
};

std::vector<std::uint8_t> pattern(std::size_t length) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < length; ++i) bytes.push_back(std::uint8_t(0x5A + 37 * i));
    return bytes;
}

// Through the production bus: a page write of `written` at c.address, acknowledge polling through
// the write cycle (the refused polls are counted), then a sequential random read of as many bytes.
std::vector<std::uint8_t> page_write_and_random_read(test::EESimRig& rig, const Case& c,
                                                     const std::vector<std::uint8_t>& written, int& refused) {
    const bool two_bytes = rig.ee.two_address_bytes();
    const unsigned block = two_bytes ? 0 : c.address >> 8;
    std::vector<std::uint8_t> read;
    I2CBus& bus = rig.ee.bus();
    auto acked = [&](std::uint8_t b) {
        bus.send_byte(b);
        return bus.check_ack(true);
    };
    auto send_address = [&] { return (!two_bytes || acked(std::uint8_t(c.address >> 8))) && acked(std::uint8_t(c.address)); };

    if (!rig.ee.open() || !bus.ack_polling(block) || !send_address()) return read;
    for (std::uint8_t b : written)
        if (!acked(b)) return read;
    bus.stop();
    if (!bus.ack_polling(block)) return read;
    refused = bus.last_poll_attempts() - 1;
    if (!send_address()) return read;
    bus.start();
    if (!acked(i2c_device_address(block, true))) return read;
    for (std::size_t i = 0; i < written.size(); ++i) {
        read.push_back(bus.receive_byte());
        bus.send_bit(i + 1 == written.size());
    }
    bus.stop();
    rig.ee.close();
    return read;
}

class EepromDecode : public ::testing::TestWithParam<Case> {
protected:
    void TearDown() override { LineRecorder::instance().stop(); }
};

TEST_P(EepromDecode, APageWriteAndARandomReadDecodeAsTheBytesOnTheBus) {
    const Case c = GetParam();
    test::EESimRig rig(c.type, false);
    const bool two_bytes = rig.ee.two_address_bytes();
    const unsigned block = two_bytes ? 0 : c.address >> 8;
    const std::vector<std::uint8_t> written = pattern(c.length);

    const auto vcd = std::filesystem::path(::testing::TempDir()) / ("eeprom_" + std::to_string(c.type) + ".vcd");
    ASSERT_TRUE(LineRecorder::instance().start(vcd, {Group::Socket24})) << LineRecorder::instance().error();
    int refused = 0;
    ASSERT_EQ(page_write_and_random_read(rig, c, written, refused), written);
    ASSERT_TRUE(LineRecorder::instance().stop()) << LineRecorder::instance().error();
    EXPECT_GT(refused, 0);

    const auto lines = sigrok_decode(vcd, std::string("i2c:scl=EE_SCL:sda=EE_SDA,eeprom24xx:chip=") + c.chip,
                                     "i2c=address-read:address-write,eeprom24xx=page-write:seq-random-read:"
                                     "data-byte:warnings",
                                     "downsample=100");
    std::vector<std::string> addresses, operations, bytes;
    int no_reply = 0;
    for (const std::string& line : lines) {
        const std::string text = annotation_texts({line}).front();
        if (line.rfind("i2c", 0) == 0) {
            if (text.rfind("Address", 0) == 0) addresses.push_back(text);   // not the R/W bit's own
        }
        else if (text.rfind("Data byte", 0) == 0) bytes.push_back(text);
        else if (text == "Warning: No reply from slave!") ++no_reply;
        else operations.push_back(text);
    }

    // The control bytes: the first poll, the refused polls, the dummy write, the read.
    const std::string device = hex(0x50 | block, 2);
    std::vector<std::string> expected(std::size_t(refused) + 3, "Address write: " + device);
    expected.back() = "Address read: " + device;
    EXPECT_EQ(addresses, expected);
    EXPECT_EQ(no_reply, refused);

    // The word address as the decoder shows it holds no block bits: those are the control byte's.
    const int digits = two_bytes ? 4 : 2;
    const std::string word_address = hex(c.address & (two_bytes ? 0xFFFF : 0xFF), digits);
    const std::string what = "(addr=" + word_address + ", " + std::to_string(c.length) + " bytes): " + hex_bytes(written);
    EXPECT_EQ(operations, (std::vector<std::string>{"Page write " + what, "Sequential random read " + what}));
    std::vector<std::string> expected_bytes;
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t i = 0; i < c.length; ++i)
            expected_bytes.push_back("Data byte " + hex((c.address + unsigned(i)) & (two_bytes ? 0xFFFF : 0xFF), digits) +
                                     ": " + hex(written[i], 2));
    EXPECT_EQ(bytes, expected_bytes);
}

// Recording only reads the lines: on the virtual clock every change at the board comes at the
// same time, with or without a trace of every group the socket has.
TEST(EepromTrace, RecordingLeavesTheWaveformAsItIs) {
    const Case c{k24C16, 0x1F8, 8, ""};
    std::vector<std::vector<sim::TraceEntry>> waveforms;
    for (bool traced : {false, true}) {
        test::EESimRig rig(c.type, false);
        sim::LineTrace& board = sim::SimBench::instance().board().trace();
        board.enable();
        const auto vcd = std::filesystem::path(::testing::TempDir()) / "eeprom_unchanged.vcd";
        if (traced) {
            ASSERT_TRUE(LineRecorder::instance().start(vcd, {Group::HostPort, Group::I2c, Group::Socket24}));
        }
        int refused = 0;
        EXPECT_EQ(page_write_and_random_read(rig, c, pattern(c.length), refused), pattern(c.length));
        if (traced) {
            EXPECT_GT(LineRecorder::instance().changes(), 0u);
        }
        LineRecorder::instance().stop();
        ASSERT_FALSE(board.entries().empty());
        ASSERT_EQ(board.dropped(), 0u);
        std::vector<sim::TraceEntry> w(board.entries().begin(), board.entries().end());
        for (sim::TraceEntry& e : w) e.time_ns -= board.entries().front().time_ns;
        waveforms.push_back(std::move(w));
    }
    EXPECT_TRUE(waveforms[0] == waveforms[1]);
}

INSTANTIATE_TEST_SUITE_P(Chips, EepromDecode,
                         ::testing::Values(Case{k24C16, 0x530, 16, "st_m24c02"},
                                           Case{k24C512, 0xB2C0, 64, "onsemi_cat24c256"}),
                         [](const auto& info) { return info.param.type == k24C16 ? "24C16" : "24C512"; });

} // namespace
} // namespace korvane
