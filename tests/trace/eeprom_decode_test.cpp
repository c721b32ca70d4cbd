// The simulated socket EEPROM's pins as sigrok's i2c and eeprom24xx decoders read them: a page
// write and a sequential random read through our production bus must decode as the addresses and
// bytes the host wrote and read back, and every refused acknowledge poll as one unanswered
// control byte.
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

class EepromDecode : public ::testing::TestWithParam<Case> {
protected:
    void TearDown() override { LineRecorder::instance().stop(); }
};

TEST_P(EepromDecode, APageWriteAndARandomReadDecodeAsTheBytesOnTheBus) {
    const Case c = GetParam();
    test::EESimRig rig(c.type, false);
    const bool two_bytes = rig.ee.two_address_bytes();
    const unsigned block = two_bytes ? 0 : c.address >> 8;
    std::vector<std::uint8_t> written;
    for (std::size_t i = 0; i < c.length; ++i) written.push_back(std::uint8_t(0x5A + 37 * i));

    const auto vcd = std::filesystem::path(::testing::TempDir()) / ("eeprom_" + std::to_string(c.type) + ".vcd");
    ASSERT_TRUE(LineRecorder::instance().start(vcd, {Group::Socket24})) << LineRecorder::instance().error();
    ASSERT_TRUE(rig.ee.open());
    I2CBus& bus = rig.ee.bus();
    auto send_address = [&] {
        if (two_bytes) {
            bus.send_byte(std::uint8_t(c.address >> 8));
            ASSERT_TRUE(bus.check_ack(true));
        }
        bus.send_byte(std::uint8_t(c.address));
        ASSERT_TRUE(bus.check_ack(true));
    };

    ASSERT_TRUE(bus.ack_polling(block));
    send_address();
    for (std::uint8_t b : written) {
        bus.send_byte(b);
        ASSERT_TRUE(bus.check_ack(true));
    }
    bus.stop();

    // Polling waits out the write cycle; then the dummy write, a repeated START and the read.
    ASSERT_TRUE(bus.ack_polling(block));
    const int refused = bus.last_poll_attempts() - 1;
    EXPECT_GT(refused, 0);
    send_address();
    bus.start();
    bus.send_byte(i2c_device_address(block, true));
    ASSERT_TRUE(bus.check_ack(true));
    std::vector<std::uint8_t> read;
    for (std::size_t i = 0; i < c.length; ++i) {
        read.push_back(bus.receive_byte());
        bus.send_bit(i + 1 == c.length);
    }
    bus.stop();
    rig.ee.close();
    ASSERT_TRUE(LineRecorder::instance().stop()) << LineRecorder::instance().error();
    ASSERT_EQ(read, written);

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

INSTANTIATE_TEST_SUITE_P(Chips, EepromDecode,
                         ::testing::Values(Case{k24C16, 0x530, 16, "st_m24c02"},
                                           Case{k24C512, 0xB2C0, 64, "onsemi_cat24c256"}),
                         [](const auto& info) { return info.param.type == k24C16 ? "24C16" : "24C512"; });

} // namespace
} // namespace korvane
