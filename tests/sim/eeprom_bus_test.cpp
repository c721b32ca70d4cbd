// The 24Cxx pin model on its own, wired straight to a test I2C master: the bus rules a host
// can get wrong.
#include <gtest/gtest.h>

#include <memory>

#include "i2c_host.h"

namespace korvane::sim::test {
namespace {

constexpr int k24C02 = 1, k24C04 = 2, k24C16 = 4, k24C64 = 6;

class EepromBus : public ::testing::Test {
protected:
    void use(int index, const std::string& faults = "") {
        chip_ = std::make_unique<I2cEeprom>(*eeprom24_model(index), parse_faults(faults).faults, &counters_);
        lines_ = std::make_unique<PinLines>(*chip_, clock_);
        bus_ = std::make_unique<I2cMaster>(*lines_, clock_);
        bus_->power_up();
    }
    void fill_pattern() {
        for (std::uint32_t a = 0; a < chip_->model().size; ++a) chip_->set_byte(a, std::uint8_t(a * 7 + 3));
    }
    std::uint8_t pattern(std::uint32_t a) { return std::uint8_t(a * 7 + 3); }

    VirtualClock clock_;
    SimCounters counters_;
    std::unique_ptr<I2cEeprom> chip_;
    std::unique_ptr<PinLines> lines_;
    std::unique_ptr<I2cMaster> bus_;
};

TEST_F(EepromBus, PageWriteWrapsInsideItsPageAndCompletesAfterTheWriteCycle) {
    use(k24C16);
    // 20 bytes from 0x1FC: the 16-byte page 0x1F0..0x1FF takes them all, the last four twice.
    std::vector<std::uint8_t> tx = {0xA2, 0xFC};
    for (int k = 0; k < 20; ++k) tx.push_back(std::uint8_t(0x40 + k));
    EXPECT_TRUE(bus_->write_transaction(tx));
    const std::uint64_t stopped = clock_.now_ns();
    EXPECT_EQ(chip_->byte(0x1FC), 0xFF);   // nothing is in the cells before the cycle ends

    const int polls = bus_->poll(0xA0, 1000);
    EXPECT_GT(polls, 1);
    EXPECT_GE(clock_.now_ns() - stopped, 5'000'000u);
    EXPECT_EQ(chip_->busy_refusals(), std::uint64_t(polls - 1));
    EXPECT_EQ(counters_.cycles_completed, 1u);

    std::vector<std::uint8_t> expect(16);
    for (int k = 0; k < 20; ++k) expect[std::size_t((0xC + k) % 16)] = std::uint8_t(0x40 + k);
    for (std::uint32_t k = 0; k < 16; ++k) EXPECT_EQ(chip_->byte(0x1F0 + k), expect[k]) << k;
    EXPECT_EQ(chip_->byte(0x1EF), 0xFF);
    EXPECT_EQ(chip_->byte(0x200), 0xFF);
}

TEST_F(EepromBus, OnlyAStopRightAfterADataByteStartsTheWrite) {
    use(k24C02);
    // Repeated START instead of STOP: the page is dropped and the chip is not busy.
    EXPECT_EQ(bus_->send({0xA0, 0x10, 0x55}), 3);
    EXPECT_EQ(bus_->send({0xA0}), 1);
    bus_->stop();
    // STOP three bits into the second data byte: not even the first byte is written.
    EXPECT_EQ(bus_->send({0xA0, 0x20, 0x66}), 3);
    bus_->clock_bit(true);
    bus_->clock_bit(false);
    bus_->clock_bit(true);
    bus_->stop();
    EXPECT_EQ(bus_->poll(0xA0, 1), 1);
    // STOP after the address alone writes nothing but moves the address counter.
    EXPECT_TRUE(bus_->write_transaction({0xA0, 0x30}));
    EXPECT_EQ(bus_->poll(0xA0, 1), 1);
    chip_->set_byte(0x30, 0x77);
    EXPECT_EQ(bus_->read_current(0xA1, 1), std::vector<std::uint8_t>{0x77});

    EXPECT_EQ(chip_->byte(0x10), 0xFF);
    EXPECT_EQ(chip_->byte(0x20), 0xFF);
    EXPECT_EQ(counters_.cycles_completed, 0u);
}

TEST_F(EepromBus, SequentialReadWrapsAcrossTheBlocksAndTheCounterContinues) {
    use(k24C16);
    fill_pattern();
    EXPECT_EQ(bus_->read_random({0xAE, 0xFE}, 4),
              (std::vector<std::uint8_t>{pattern(0x7FE), pattern(0x7FF), pattern(0), pattern(1)}));
    EXPECT_EQ(bus_->read_current(0xA1, 1), std::vector<std::uint8_t>{pattern(0x002)});
    // The block bits of a read control byte pick the block the counter reads in.
    EXPECT_EQ(bus_->read_current(0xA7, 1), std::vector<std::uint8_t>{pattern(0x303)});
    // Reading from one block across its end goes on in the next.
    EXPECT_EQ(bus_->read_random({0xA2, 0xFF}, 2), (std::vector<std::uint8_t>{pattern(0x1FF), pattern(0x200)}));
}

TEST_F(EepromBus, AfterTheMastersNackTheChipLetsGoOfSdaUntilTheNextStart) {
    use(k24C02);
    for (std::uint32_t a = 0; a < 256; ++a) chip_->set_byte(a, 0x00);
    bus_->start();
    ASSERT_TRUE(bus_->write(0xA1));
    EXPECT_EQ(bus_->read(false), 0x00);
    EXPECT_EQ(bus_->read(false), 0xFF);   // nobody drives SDA any more
    EXPECT_FALSE(bus_->write(0xA1));      // no control byte without a START
    bus_->stop();
    EXPECT_EQ(bus_->read_current(0xA1, 1), std::vector<std::uint8_t>{0x00});
}

TEST_F(EepromBus, ControlBytesForOtherChipsAreIgnoredUntilTheNextStart) {
    use(k24C02);
    EXPECT_EQ(bus_->send({0xA2}), 0);   // A0 high: the socket's A0 pin is low
    bus_->stop();
    EXPECT_EQ(bus_->send({0xB0}), 0);
    bus_->stop();
    // Bytes after a refused control byte are not taken for one, not even 0xA0.
    bus_->start();
    EXPECT_FALSE(bus_->write(0x90));
    EXPECT_FALSE(bus_->write(0xA0));
    bus_->stop();
    EXPECT_EQ(counters_.commands, 0u);

    use(k24C04);
    EXPECT_EQ(bus_->send({0xA8}), 0);   // A2 is a chip-select pin on the 24C04
    bus_->stop();
    EXPECT_TRUE(bus_->write_transaction({0xA2, 0x05, 0x99}));   // A0 is address bit 8
    EXPECT_GT(bus_->poll(0xA0, 1000), 0);
    EXPECT_EQ(chip_->byte(0x105), 0x99);
    EXPECT_EQ(chip_->byte(0x005), 0xFF);
}

TEST_F(EepromBus, TwoAddressBytesHighFirstAndBitsAboveTheArrayIgnored) {
    use(k24C64);
    EXPECT_TRUE(bus_->write_transaction({0xA0, 0x12, 0x34, 0xAB}));
    EXPECT_GT(bus_->poll(0xA0, 1000), 0);
    EXPECT_TRUE(bus_->write_transaction({0xA0, 0xF2, 0x35, 0xCD}));
    EXPECT_GT(bus_->poll(0xA0, 1000), 0);
    EXPECT_EQ(chip_->byte(0x1234), 0xAB);
    EXPECT_EQ(chip_->byte(0x1235), 0xCD);
    EXPECT_EQ(chip_->byte(0x1412), 0xFF);   // not taken low byte first
    EXPECT_EQ(bus_->read_random({0xA0, 0x32, 0x34}, 2), (std::vector<std::uint8_t>{0xAB, 0xCD}));
}

TEST_F(EepromBus, SupplyLostDuringTheWriteCycleLosesThePage) {
    use(k24C02);
    EXPECT_TRUE(bus_->write_transaction({0xA0, 0x00, 0x12}));
    lines_->vpp(false);
    EXPECT_EQ(counters_.timing_violations, 1u);
    clock_.sleep_ms(10);
    bus_->power_up();
    EXPECT_EQ(bus_->poll(0xA0, 1), 1);
    EXPECT_EQ(chip_->byte(0), 0xFF);
    EXPECT_EQ(counters_.cycles_completed, 0u);
}

TEST_F(EepromBus, ClockAndDataChangingTogetherIsNoStartOrStop) {
    use(k24C02);
    chip_->set_byte(0, 0x00);
    // Both fall at once from idle: taken as SCL first, so no START, and nothing is acknowledged.
    lines_->both(false, false);
    EXPECT_FALSE(bus_->write(0xA1));
    bus_->stop();
    // Both rise at once inside a byte: data set up before the edge, no STOP.
    bus_->start();
    lines_->both(true, true);
    lines_->clock(false);
    for (int i = 6; i >= 0; --i) bus_->clock_bit((0xA1 >> i) & 1);
    EXPECT_FALSE(bus_->clock_bit(true));
    EXPECT_EQ(bus_->read(false), 0x00);
    EXPECT_EQ(chip_->simultaneous_changes(), 2u);
}

} // namespace
} // namespace korvane::sim::test
