// The card faults of the simulated bench, and the faults of the card's EEPROM behind the loader,
// seen as the user sees them: the one message each ends its task with.
#include <gtest/gtest.h>

#include "card_bench.h"

namespace korvane {
namespace {

using test::CardBench;
using Lines = std::vector<std::vector<std::string>>;

class CardEEPromFaultsOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::loaders_built()) GTEST_SKIP() << "this build carries no loader images";
    }
    // GoldCard: a 16F84 with a 24C16, the cheapest card to run through.
    const TIsoCard& gold = *iso_card_at(0);
};

// The fault comes after the loader was written, so the card it hits does run the loader.
void expect_fault(const TIsoCard& card, const char* fault, CardTask task, const Lines& boxes) {
    CardBench bench(card);
    ASSERT_TRUE(bench.write_loader());
    bench.fill_random(11);
    bench.eeprom->bytes[0x0537] |= 0x01;
    sim::SimBench::instance().set_faults(fault);
    EXPECT_EQ(bench.run(task), CardTaskResult::Failed) << fault;
    EXPECT_EQ(bench.boxes(), boxes) << fault;
}

// The host's checksum of a write block reaches the card damaged: the card answers 0x10.
TEST_F(CardEEPromFaultsOnSim, DamagedWriteChecksum) {
    expect_fault(gold, "cardchk", CardTask::Program, {{" ERROR!", "CheckSum Not Correct"}});
}

// Writes acknowledged but not stored: the verify after the write fails at the first block.
TEST_F(CardEEPromFaultsOnSim, WriteProtectedEEProm) {
    expect_fault(gold, "wp", CardTask::Program,
                 {{" ERROR!", "EEProm Verify Through Not Successfull", "Fail Address = 0000h"}});
}

// One stuck bit past the PIC's own memory, so only the EEPROM has a byte there.
TEST_F(CardEEPromFaultsOnSim, StuckEEPromBit) {
    expect_fault(gold, "stuck=0x0537:0x01", CardTask::Program,
                 {{" ERROR!", "EEProm Verify Through Not Successfull", "Fail Address = 0500h"}});
}

// No EEPROM answers: the loader keeps polling for it and the procedure byte never comes.
TEST_F(CardEEPromFaultsOnSim, EEPromThatNeverAcknowledges) {
    expect_fault(gold, "noack", CardTask::Read, {{" ERROR!", "Ack Not Received"}});
}

TEST_F(CardEEPromFaultsOnSim, ASlowWriteCycleIsWaitedFor) {
    CardBench bench(gold);
    ASSERT_TRUE(bench.write_loader());
    bench.fill_random(12);
    sim::SimBench::instance().set_faults("twr=10");
    EXPECT_EQ(bench.run(CardTask::Program), CardTaskResult::Done);
    EXPECT_EQ(bench.boxes(), (Lines{{" EEProm", "EEProm Write Through", "Successfully Completed"}}));
}

TEST_F(CardEEPromFaultsOnSim, AbortDuringTheVerifyAfterAWrite) {
    CardBench bench(gold);
    ASSERT_TRUE(bench.write_loader());
    bench.fill_random(13);
    // Watches every pump; aborts once the verify has read its second block (only reads toggle LedRX).
    bool sent = false;
    const int toggles = bench.host.rx_toggles;   // the loader's own verify toggled it too
    bench.host.at_pump = bench.host.pumps + 1;
    bench.host.on_pump = [&] {
        bench.host.at_pump = bench.host.pumps + 1;
        if (!sent && bench.host.rx_toggles - toggles >= 2 && bench.link.task_running) {
            sent = true;
            bench.runner.abort();
        }
    };
    EXPECT_EQ(bench.run(CardTask::Program), CardTaskResult::Aborted);
    EXPECT_TRUE(sent);
    EXPECT_EQ(bench.boxes(), (Lines{{" EEProm", "Process Aborted"}}));
}

} // namespace
} // namespace korvane
