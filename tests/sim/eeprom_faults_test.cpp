// The EEPROM faults, the socket's supply and the EEPROM memory kept in the state directory.
#include "i2c_host.h"
#include "sim_fixture.h"

namespace korvane::sim::test {
namespace {

constexpr int k24C02 = 1, k24C16 = 4;

class EepromFaults : public SimTest {
protected:
    I2cMaster& bus(int index) {
        bench().select_target(TargetKind::EEProm, index);
        open();
        bus_ = std::make_unique<I2cMaster>(*lines_, bench().clock());
        bus_->power_up();
        return *bus_;
    }
    std::unique_ptr<I2cMaster> bus_;
};

TEST_F(EepromFaults, NoackAndEmptyLeaveEveryAckSlotHigh) {
    for (const char* fault : {"noack", "empty"}) {
        make_bench(fault);
        I2cMaster& b = bus(k24C02);
        EXPECT_EQ(b.send({0xA0, 0x00, 0x00}), 0) << fault;
        b.stop();
        b.start();
        EXPECT_FALSE(b.write(0xA1)) << fault;
        EXPECT_EQ(b.read(false), 0xFF) << fault;
        b.stop();
        port_->set_dtr(false);
        EXPECT_FALSE(port_->cts()) << fault;   // nothing drives the node: CTS follows DTR
        close();
    }
}

TEST_F(EepromFaults, WithoutTheBreakTheChipHasNoSupply) {
    I2cMaster& b = bus(k24C02);
    lines_->vpp(false);
    EXPECT_EQ(b.send({0xA0}), 0);
    b.stop();
    lines_->vpp(true);
    EXPECT_EQ(b.send({0xA0}), 1);
    b.stop();
}

TEST_F(EepromFaults, SlowWriteCycle) {
    make_bench("twr=20");
    I2cMaster& b = bus(k24C02);
    EXPECT_TRUE(b.write_transaction({0xA0, 0x00, 0x5A}));
    bench().sim_clock().sleep_ms(15);
    EXPECT_EQ(b.poll(0xA0, 1), -1);
    bench().sim_clock().sleep_ms(5);
    EXPECT_EQ(b.poll(0xA0, 1), 1);
    EXPECT_EQ(bench().eeprom()->byte(0), 0x5A);
}

TEST_F(EepromFaults, WriteProtectedChipAcknowledgesButKeepsItsData) {
    make_bench("wp");
    I2cMaster& b = bus(k24C02);
    EXPECT_TRUE(b.write_transaction({0xA0, 0x10, 0x01, 0x02}));
    EXPECT_EQ(b.poll(0xA0, 1), 1);   // no write cycle runs
    EXPECT_EQ(b.read_random({0xA0, 0x10}, 2), (std::vector<std::uint8_t>{0xFF, 0xFF}));
}

TEST_F(EepromFaults, StuckBitsReadZeroButTheCellKeepsThem) {
    make_bench("stuck=0x10:0x81");
    I2cMaster& b = bus(k24C02);
    EXPECT_EQ(b.read_random({0xA0, 0x0F}, 3), (std::vector<std::uint8_t>{0xFF, 0x7E, 0xFF}));
    EXPECT_EQ(bench().eeprom()->byte(0x10), 0xFF);
}

TEST_F(EepromFaults, MemoryPersistsPerTypeAndABadImageGivesABlankChip) {
    I2cMaster& b = bus(k24C16);
    EXPECT_TRUE(b.write_transaction({0xAE, 0xFF, 0x42}));
    EXPECT_GT(b.poll(0xA0, 1000), 0);
    close();   // the supply drops: the memory is kept
    EXPECT_EQ(std::filesystem::file_size(dir_.path() / "24c16.mem"), 2048u);

    make_bench();
    bench().select_target(TargetKind::EEProm, k24C02);
    EXPECT_EQ(bench().eeprom()->byte(0xFF), 0xFF);   // another type, another file
    I2cMaster& again = bus(k24C16);
    EXPECT_EQ(again.read_random({0xAE, 0xFF}, 1), std::vector<std::uint8_t>{0x42});
    bench().wipe_chip();
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "24c16.mem"));
    EXPECT_EQ(bench().eeprom()->byte(0x7FF), 0xFF);

    korvane::test::write_file(dir_.path() / "24c02.mem", std::string(255, '\0'));
    make_bench();
    bench().select_target(TargetKind::EEProm, k24C02);
    EXPECT_EQ(bench().eeprom()->byte(0), 0xFF);
}

} // namespace
} // namespace korvane::sim::test
