// The I2C bit and byte layer: waveforms on the recording lines, acknowledge polling on the fake.
#include <gtest/gtest.h>

#include "eeprom/i2c_bus.h"
#include "fake_24cxx.h"
#include "pic/fake_host.h"
#include "pic/recording_lines.h"

namespace korvane::test {
namespace {

struct BusOnRecorder : ::testing::Test {
    RecordingLines lines;
    FakeHost host;
    I2CBus bus{lines, host};
};

TEST_F(BusOnRecorder, ConditionsAndBitsAreTheDocumentedLineSteps) {
    bus.start();
    EXPECT_EQ(lines.log, "DCdc");
    lines.clear();
    bus.stop();
    EXPECT_EQ(lines.log, "dCD");
    lines.clear();
    bus.send_bit(false);
    bus.send_bit(true);
    EXPECT_EQ(lines.log, "dCcDCc");
    lines.clear();
    EXPECT_FALSE(bus.receive_bit());
    EXPECT_EQ(lines.log, "Crc");
}

TEST_F(BusOnRecorder, SendByteClocksMostSignificantBitFirstAndReleasesData) {
    bus.send_byte(0xA1);
    EXPECT_EQ(lines.clocked_bits, "10100001");
    EXPECT_EQ(lines.log.back(), 'D');
    EXPECT_TRUE(lines.data);
    EXPECT_EQ(lines.log.size(), 25u);   // 8 x (data, clock high, clock low) + release
}

TEST_F(BusOnRecorder, ReceiveFromAReleasedLineGivesFFAndNoAcknowledge) {
    lines.data_in_level = true;
    EXPECT_EQ(bus.receive_byte(), 0xFF);
    EXPECT_EQ(lines.log.substr(0, 4), "DCrc");
    EXPECT_FALSE(bus.check_ack(false));
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_FALSE(bus.check_ack(true));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines, (std::vector<std::string>{" ERROR!", "EEProm No Acknowledge Received"}));
    EXPECT_EQ(host.boxes[0].kind, MsgKind::Error);
    lines.data_in_level = false;
    EXPECT_TRUE(bus.check_ack(true));
}

// The block forms on the bus are in eeprom_catalogue_test.cpp and ti2c_test.cpp.
TEST(I2CAddress, ControlByteMasksTheBlockToFourBits) { EXPECT_EQ(i2c_device_address(0x1F, true), 0xBF); }

struct Polling : ::testing::Test {
    Fake24Cxx chip{256, 1, 8};
    FakeHost host;
    I2CBus bus{chip, host};
};

TEST_F(Polling, AttemptCountsAndLineChanges) {
    chip.busy_left = 0;
    EXPECT_TRUE(bus.ack_polling(0));
    EXPECT_EQ(bus.last_poll_attempts(), 1);
    EXPECT_EQ(chip.line_ops, 31);   // 4 + 25 + 2

    chip.line_ops = 0;
    chip.busy_left = 1000;          // acknowledges the 1001st attempt
    EXPECT_TRUE(bus.ack_polling(3));
    EXPECT_EQ(bus.last_poll_attempts(), 1001);
    EXPECT_EQ(chip.line_ops, 31 * 1001);
    EXPECT_EQ(chip.transactions.back().written, (std::vector<std::uint8_t>{0xA6}));
    EXPECT_FALSE(chip.transactions.back().stopped);   // the caller goes on with the address

    chip.busy_left = 1001;
    EXPECT_FALSE(bus.ack_polling(0));
    EXPECT_EQ(bus.last_poll_attempts(), 1001);
    chip.present = false;
    chip.busy_left = 0;
    EXPECT_FALSE(bus.ack_polling(0));
    EXPECT_TRUE(host.boxes.empty());   // the caller reports
    for (const auto& t : chip.transactions) EXPECT_FALSE(t.stopped);
}

} // namespace
} // namespace korvane::test
