// TI2C's read/verify and write routines against the fake chip: transactions, addressing forms,
// progress, lamps, messages and the abort.
#include <gtest/gtest.h>

#include "ee_rig.h"

namespace korvane::test {
namespace {

using Lines = std::vector<std::string>;

TEST(TI2CType, SetTypeSizesTheGridAndKeepsTheLastAddressForUnknownIndexes) {
    EERig rig(0);
    std::vector<int> sizes;
    rig.ee.grid_size_changed = [&](int b) { sizes.push_back(b); };
    rig.ee.set_type(7);
    EXPECT_EQ(rig.ee.last_address, 0x1FFF);   // 24C65 like 24C64
    rig.ee.set_type(10);
    EXPECT_EQ(rig.ee.last_address, 0xFFFF);
    rig.ee.set_type(11);
    EXPECT_EQ(rig.ee.type, 11);
    EXPECT_EQ(rig.ee.last_address, 0xFFFF);
    EXPECT_EQ(rig.ee.title(), "EEProm 24C");
    EXPECT_EQ(sizes, (std::vector<int>{8192, 65536, 65536}));
}

TEST(TI2CRead, OneSequentialReadOfTheWholeDevice) {
    for (int type : {4, 6}) {
        SCOPED_TRACE(type);
        EERig rig(type);
        std::mt19937 rng(type);
        for (auto& b : rig.chip.memory) b = std::uint8_t(rng());
        ASSERT_TRUE(rig.ee.read_verify(false));
        EXPECT_TRUE(rig.image_matches_chip());
        ASSERT_EQ(rig.chip.transactions.size(), 2u);   // the dummy write, then the read
        const auto& addr = rig.chip.transactions[0].written;
        EXPECT_EQ(addr, type > 4 ? (std::vector<std::uint8_t>{0xA0, 0, 0}) : (std::vector<std::uint8_t>{0xA0, 0}));
        const auto& rd = rig.chip.transactions[1];
        EXPECT_EQ(rd.written, (std::vector<std::uint8_t>{0xA1}));
        EXPECT_EQ(rd.bytes_read, rig.ee.last_address + 1);
        EXPECT_EQ(rd.master_acks, rig.ee.last_address);
        EXPECT_EQ(rd.master_nacks, 1);
        EXPECT_TRUE(rd.stopped);
        EXPECT_EQ(rig.chip.target_ons, 1);
        EXPECT_EQ(rig.chip.sleeps_ms, (std::vector<unsigned>{150}));
        EXPECT_EQ(rig.progress.max, rig.ee.last_address);
        EXPECT_EQ(rig.progress.steps, rig.ee.last_address + 1);
        EXPECT_EQ(rig.progress.position, 0);
        EXPECT_EQ(rig.host.rx_toggles, (rig.ee.last_address + 120) / 120);
        EXPECT_EQ(rig.host.pumps, rig.ee.last_address + 1);
    }
}

TEST(TI2CWrite, TransactionCountsAndLengthsFollowTheCatalogue) {
    struct Case { int type; std::size_t transactions; std::size_t length; unsigned settle; };
    for (Case c : {Case{0, 64, 2, 300}, Case{4, 128, 16, 300}, Case{7, 128, 64, 150}, Case{10, 512, 128, 150}}) {
        SCOPED_TRACE(c.type);
        EERig rig(c.type);
        rig.fill_random(unsigned(c.type));
        ASSERT_TRUE(rig.ee.write(eeprom_type(c.type).write_bytes));
        EXPECT_TRUE(rig.image_matches_chip());
        const auto writes = rig.chip.page_writes();
        ASSERT_EQ(writes.size(), c.transactions);
        const std::size_t header = 1 + eeprom_type(c.type).address_bytes;
        for (const auto& t : writes) EXPECT_EQ(t.written.size(), header + c.length);
        EXPECT_EQ(rig.chip.sleeps_ms, (std::vector<unsigned>{c.settle}));
        EXPECT_EQ(rig.progress.steps, rig.ee.last_address + 1);
        EXPECT_EQ(rig.progress.position, 0);
        EXPECT_EQ(rig.host.pumps, int(c.transactions));
        EXPECT_TRUE(rig.host.boxes.empty());
        // The chip was busy after every write: polling tried again, also after the last one.
        EXPECT_EQ(rig.chip.transactions.size(), 3 * c.transactions + 1);
        EXPECT_EQ(rig.chip.busy_left, 0);
        EXPECT_TRUE(rig.chip.transactions.back().stopped);
    }
}

TEST(TI2CWrite, SmallTypesCarryTheBlockInTheControlByte) {
    EERig rig(3);   // 24C08
    rig.fill_random(8);
    ASSERT_TRUE(rig.ee.write(16));
    const auto writes = rig.chip.page_writes();
    const auto& t = writes[0x2F0 / 16];
    EXPECT_EQ(t.written[0], 0xA4);
    EXPECT_EQ(t.written[1], 0xF0);
    // The refused polls of that transaction used the same control byte.
    EXPECT_EQ(rig.chip.write_controls().back(), 0xA6);
    EXPECT_EQ(rig.host.tx_toggles, 13);   // start addresses 0, 80, 160, ... 960
}

TEST(TI2CVerify, AMismatchNamesTheFirstDifferingAddress) {
    EERig rig(4);
    rig.fill_random(3);
    rig.chip.memory.assign(rig.image->bytes.begin(), rig.image->bytes.begin() + 2048);
    rig.chip.memory[0x1A3] ^= 0x10;
    rig.chip.memory[0x500] ^= 0x01;
    EXPECT_FALSE(rig.ee.read_verify(true));
    ASSERT_EQ(rig.host.boxes.size(), 1u);
    EXPECT_EQ(rig.host.boxes[0].lines, (Lines{" ERROR!", "EEProm Verify Not Successfull", "Fail Address = 01A3h"}));
    EXPECT_EQ(rig.progress.position, 0);
    EXPECT_FALSE(rig.chip.transactions.back().stopped);   // no stop condition after a mismatch
    EXPECT_EQ(rig.chip.transactions.back().bytes_read, 0x1A4);
}

TEST(TI2CFailures, MissingAcknowledgesAreReportedOnce) {
    {
        EERig rig(2);
        rig.chip.present = false;
        EXPECT_FALSE(rig.ee.read_verify(false));
        EXPECT_EQ(rig.host.boxes.size(), 1u);
        EXPECT_EQ(rig.chip.transactions.size(), 1u);   // gave up at the control byte
        EXPECT_EQ(rig.progress.position, 0);
    }
    {
        EERig rig(2);
        rig.chip.present = false;
        EXPECT_FALSE(rig.ee.write(8));
        ASSERT_EQ(rig.host.boxes.size(), 1u);
        EXPECT_EQ(rig.host.boxes[0].lines, (Lines{" ERROR!", "EEProm No Acknowledge Received"}));
        EXPECT_EQ(rig.chip.transactions.size(), 1001u);
    }
    {
        EERig rig(9);
        rig.fill_random(1);
        rig.chip.nack_data_at = 0x1234;
        EXPECT_FALSE(rig.ee.write(64));
        EXPECT_EQ(rig.host.boxes.size(), 1u);
        EXPECT_EQ(rig.chip.writes_stored, 0x1200 / 64);
        EXPECT_FALSE(rig.chip.transactions.back().stopped);
        EXPECT_EQ(rig.progress.position, 0);
    }
}

TEST(TI2CAbort, ActsOnlyWhileATaskRunsAndStopsAtTheNextPump) {
    EERig rig(5);
    rig.ee.abort();
    EXPECT_TRUE(rig.host.boxes.empty());
    EXPECT_EQ(rig.ee.abort_requested, 0);

    ASSERT_TRUE(rig.ee.open());
    rig.host.at_pump = 3;
    rig.host.on_pump = [&] { rig.ee.abort(); };
    rig.fill_random(5);
    EXPECT_FALSE(rig.ee.write(32));
    EXPECT_EQ(rig.chip.writes_stored, 3);
    ASSERT_EQ(rig.host.boxes.size(), 1u);
    EXPECT_EQ(rig.host.boxes[0].lines, (Lines{"EEProm 24C32", "Process Aborted"}));
    EXPECT_EQ(rig.host.boxes[0].kind, MsgKind::Warning);

    rig.host.boxes.clear();
    rig.host.pumps = 0;
    rig.host.at_pump = 100;
    EXPECT_EQ(rig.ee.abort_requested, 1);
    rig.ee.abort_requested = 0;
    EXPECT_FALSE(rig.ee.read_verify(false));
    EXPECT_EQ(rig.chip.transactions.back().master_acks, 100);   // stopped before byte 101
    EXPECT_EQ(rig.host.boxes[0].lines[1], "Process Aborted");
    rig.ee.close();
    EXPECT_EQ(rig.ee.task_running, 0);
}

} // namespace
} // namespace korvane::test
