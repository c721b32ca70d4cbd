// The card faults of the simulated bench, and the faults of the card's EEPROM behind the loader,
// seen as the user sees them: the one message each ends its task with; aborts on the bench.
#include <gtest/gtest.h>

#include "card_bench.h"

namespace korvane {
namespace {

using test::CardBench;
using Lines = std::vector<std::vector<std::string>>;

class CardFaultsOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::loaders_built()) GTEST_SKIP() << "this build carries no loader images";
    }
    // GoldCard: a 16F84 with a 24C16, the cheapest card to run through.
    const TIsoCard& gold = *iso_card_at(0);
};

// The fault comes after the loader was written, so the card it hits does run the loader.
TEST_F(CardFaultsOnSim, EachFaultEndsItsTaskWithItsMessage) {
    struct Case {
        const char* fault;
        CardTask task;
        Lines boxes;
    };
    const Case cases[] = {
        {"silent", CardTask::Read, {{" ERROR!", "No ATR Received"}}},
        {"badatr", CardTask::Read, {{" ERROR!", "No ATR Received"}}},
        // The card's checksum of a read block, and the host's of a write block (the card answers
        // 0x10), reach the other side damaged.
        {"cardchk", CardTask::Read, {{" ERROR!", "CheckSum Not Correct"}}},
        {"cardchk", CardTask::Program, {{" ERROR!", "CheckSum Not Correct"}}},
        // Writes acknowledged but not stored: the verify after the write fails at the first block.
        {"wp", CardTask::Program, {{" ERROR!", "EEProm Verify Through Not Successfull", "Fail Address = 0000h"}}},
        // One stuck bit past the PIC's own memory, so only the EEPROM has a byte there.
        {"stuck=0x0537:0x01", CardTask::Program,
         {{" ERROR!", "EEProm Verify Through Not Successfull", "Fail Address = 0500h"}}},
        // No EEPROM answers: the loader keeps polling for it and the procedure byte never comes.
        {"noack", CardTask::Read, {{" ERROR!", "Ack Not Received"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        CardBench bench(gold);
        ASSERT_TRUE(bench.write_loader());
        bench.fill_random(11);
        bench.eeprom->bytes[0x0537] |= 0x01;
        sim::SimBench::instance().set_faults(c.fault);
        EXPECT_EQ(bench.run(c.task), CardTaskResult::Failed);
        EXPECT_EQ(bench.boxes(), c.boxes);
    }
}

TEST_F(CardFaultsOnSim, ASlowWriteCycleIsWaitedFor) {
    CardBench bench(gold);
    ASSERT_TRUE(bench.write_loader());
    bench.fill_random(12);
    sim::SimBench::instance().set_faults("twr=10");
    EXPECT_EQ(bench.run(CardTask::Program), CardTaskResult::Done);
    EXPECT_EQ(bench.boxes(), (Lines{{" EEProm", "EEProm Write Through", "Successfully Completed"}}));
}

// Write Loader verifies what it writes: a configuration word that does not take (the 16F628's
// was lost this way when its write cycle outlasted the programming delay) fails the command.
TEST_F(CardFaultsOnSim, ConfigurationWordThatDoesNotTakeFailsWriteLoader) {
    CardBench bench(*iso_card_at(5), "stuck=0x2007:0x0001");   // GreenCard 64: 0x3F29 cannot be written
    EXPECT_FALSE(bench.write_loader());
    EXPECT_EQ(bench.boxes(), (Lines{{"PIC 16F628  ERROR!            Offset = 02007h", "Write Config Failure",
                                     "Max Retries Exceeded"}}));
}

TEST_F(CardFaultsOnSim, AbortDuringProgram) {
    CardBench bench(gold);
    ASSERT_TRUE(bench.write_loader());
    bench.host.at_pump = bench.host.pumps + 10;
    bench.host.on_pump = [&] { bench.runner.abort(); };
    bench.fill_random(7);
    EXPECT_EQ(bench.run(CardTask::Program), CardTaskResult::Aborted);
    EXPECT_EQ(bench.boxes(), (Lines{{" EEProm", "Process Aborted"}}));
}

TEST_F(CardFaultsOnSim, AbortDuringTheVerifyAfterAWrite) {
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
