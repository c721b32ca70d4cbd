// The 16F operations against a small fake chip: results, messages and the edge cases that catch
// faults in the word loop and the address handling.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "fake_pic16.h"
#include "pic/pic_catalogue.h"
#include "pic_bench.h"

namespace korvane {
namespace {

class Pic16Ops : public ::testing::Test, protected test::PicBench<test::FakePic16> {
protected:
    Pic16Ops() {
        pic.set_device(0);
        pic.load_programmer_params();
        pic.select_image(*image);
        pic.progress_bar = &progress;
        clear_pic_image(*image, 0);
    }

    void fill_random(unsigned seed) {
        std::mt19937 rng(seed);
        for (int i = 0; i < pic.code_size; ++i) image->code[std::size_t(i)] = std::uint16_t(rng() & 0x3FFF);
        for (int i = 0; i < pic.data_size; ++i) image->data[std::size_t(i)] = std::uint8_t(rng());
        for (int k = 0; k < 4; ++k) image->config[std::size_t(k)] = std::uint16_t(rng() & 0x3FFF);
        image->config[7] = 0x3FF1;
    }

    bool open() { return pic.open_programmer(); }
    // Every word written and read back, at most `n` attempts each.
    void retries(int n) {
        settings.skip_3fff = 0;
        PicBench::retries(n);
    }
};

TEST_F(Pic16Ops, ProgramAllThenReadBackGivesTheImage) {
    fill_random(1);
    ASSERT_TRUE(open());
    EXPECT_TRUE(pic.program_all(true, true, true));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, MsgKind::Information);
    EXPECT_EQ(host.boxes[0].lines[0], "PIC 16F84  ");
    EXPECT_EQ(host.boxes[0].lines[1], "PIC Programming");
    EXPECT_EQ(host.boxes[0].lines[2], "Successfully Completed");
    EXPECT_EQ(host.boxes[0].lines[3].rfind("Start Time : ", 0), 0u);
    EXPECT_EQ(host.boxes[0].lines[4].rfind("End  Time : ", 0), 0u);
    EXPECT_EQ(host.boxes[0].lines[4].size(), std::string("End  Time : 12:34:56").size());
    EXPECT_EQ(chip.config[7], 0x3FF1);

    auto copy = std::make_unique<PicImage>(*image);
    clear_pic_image(*image, 0);
    EXPECT_TRUE(pic.read_all());
    EXPECT_EQ(host.boxes.size(), 1u);   // reading shows no box
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(image->code[std::size_t(i)], copy->code[std::size_t(i)]) << i;
    for (int i = 0; i < 64; ++i) ASSERT_EQ(image->data[std::size_t(i)], copy->data[std::size_t(i)]) << i;
    for (int k = 0; k < 8; ++k) EXPECT_EQ(image->config[std::size_t(k)], chip.config[std::size_t(k)]);
    EXPECT_EQ(pic.device_id_read, 0x0560);
    EXPECT_EQ(progress.position, 0);
    EXPECT_EQ(progress.max, 1024 + 64 + 8);

    EXPECT_TRUE(pic.verify_all(false));
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].lines[1], "Verify Successfully Completed");
    EXPECT_TRUE(pic.verify_all(true));
    EXPECT_EQ(host.boxes[2].lines[1], "Programming and Verify");
}

TEST_F(Pic16Ops, SkipBlankErasesFirstWritesOnlyUsedWordsButReadsAll) {
    for (auto& w : chip.code) w = 0x1234;   // not erased
    image->code[10] = 0x0123;
    image->code[500] = 0x2ABC;
    settings.skip_3fff = 1;
    ASSERT_TRUE(open());
    chip.writes = chip.reads = 0;
    EXPECT_TRUE(pic.program_all(false, false, false));   // erase first off: removal still runs
    EXPECT_EQ(chip.code[10], 0x0123);
    EXPECT_EQ(chip.code[500], 0x2ABC);
    EXPECT_EQ(chip.code[11], 0x3FFF);
    // 2 program words + 64 data bytes + 4 IDs + the configuration word.
    EXPECT_EQ(chip.writes, 2 + 64 + 4 + 1);
    EXPECT_EQ(chip.reads, 1024);   // every program word read back, nothing else (write verify off)
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(Pic16Ops, WithoutVerifyAndSkipEachWordIsWrittenOnceAndNeverRead) {
    settings.skip_3fff = 0;
    fill_random(2);
    ASSERT_TRUE(open());
    chip.writes = chip.reads = chip.increments = 0;
    EXPECT_TRUE(pic.program_all(false, true, false));
    EXPECT_EQ(chip.writes, 1024 + 64 + 4 + 1);
    EXPECT_EQ(chip.reads, 0);
    // No increment after the last data byte: the IDs follow a load configuration anyway.
    EXPECT_EQ(chip.increments, 1024 + 63 + 7);
    chip.increments = 0;
    pic.read_all();
    EXPECT_EQ(chip.increments, 1024 + 64 + 7);
}

TEST_F(Pic16Ops, WordWithBit14NeverMatchesAndFailsAfterMaxRetries) {
    retries(3);
    image->code[3] = 0x4000;
    ASSERT_TRUE(open());
    chip.reads = 0;
    EXPECT_FALSE(pic.program_all(true, true, false));
    EXPECT_EQ(chip.reads, 3 + 3);   // three good words, then three attempts on word 3
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].kind, MsgKind::Error);
    EXPECT_EQ(host.boxes[0].lines,
              (std::vector<std::string>{"PIC 16F84   ERROR!            Offset = 00003h",
                                        "Write Program Failure", "Max Retries Exceeded"}));
    EXPECT_EQ(host.boxes[1].lines,
              (std::vector<std::string>{"PIC 16F84   ERROR!", "PIC Programming", "Not Successfully Completed"}));
    // Nothing after the failing word was written.
    EXPECT_EQ(chip.data[0], 0xFF);
}

TEST_F(Pic16Ops, StuckDataBitIsReportedAtItsDataOffsetAfterExactlyMaxRetries) {
    retries(4);
    chip.stuck_data_low[5] = 0x01;
    image->data[5] = 0x01;
    ASSERT_TRUE(open());
    chip.writes = 0;
    EXPECT_FALSE(pic.program_data_area(true, false, false));
    EXPECT_EQ(chip.writes, 5 + 4);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines[0], "PIC 16F84   ERROR!            Offset = 02105h");
    EXPECT_EQ(host.boxes[0].lines[1], "Write EEProm Failure");
}

TEST_F(Pic16Ops, MaxRetriesZeroFailsAtTheFirstDifferenceOnlyWithVerify) {
    retries(0);
    chip.stuck_low[7] = 0x0001;
    image->code[7] = 0x0001;
    ASSERT_TRUE(open());
    EXPECT_TRUE(pic.program_code_area(false, false, false));
    EXPECT_TRUE(host.boxes.empty());
    chip.reads = 0;
    EXPECT_FALSE(pic.program_code_area(true, false, false));
    EXPECT_EQ(chip.reads, 8);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines[0], "PIC 16F84   ERROR!            Offset = 00007h");
}

TEST_F(Pic16Ops, VerifyNamesTheFirstDifferingAreaAndKeepsReading) {
    fill_random(3);
    ASSERT_TRUE(open());
    ASSERT_TRUE(pic.program_all(true, false, true));
    chip.data[9] ^= 1;
    chip.config[2] ^= 1;
    chip.config[4] = 0x1234;   // words 0x2004..0x2006 are taken from the device even when verifying
    chip.config[6] = 0x0567;
    host.boxes.clear();
    EXPECT_TRUE(pic.verify_all(false));   // false only on abort
    EXPECT_FALSE(pic.last_all_ok);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines,
              (std::vector<std::string>{"PIC 16F84   ERROR!          PicZone = EEProm", " PIC Verify",
                                        "Not Successfully Completed"}));
    EXPECT_EQ(image->config[4], 0x1234);
    EXPECT_EQ(image->config[6], 0x0567);
    EXPECT_EQ(pic.device_id_read, 0x0560);
    EXPECT_EQ(pic.revision, 7);
}

TEST_F(Pic16Ops, DeviceCheckComparesWithoutRevisionAndLetsBlankOrAbsentPass) {
    chip.config[6] = 0x09E7;
    pic.set_device(2);
    ASSERT_TRUE(open());
    EXPECT_TRUE(pic.device_check());
    EXPECT_EQ(pic.device_id_read, 0x09E0);
    EXPECT_EQ(pic.revision, 7);
    pic.set_device(3);
    EXPECT_FALSE(pic.device_check());
    chip.config[6] = 0x3FFF;   // no device ID, or an empty socket
    for (int d = 0; d < 4; ++d) {
        pic.set_device(d);
        EXPECT_TRUE(pic.device_check()) << d;
    }
    chip.present = false;
    EXPECT_TRUE(pic.device_check());
    EXPECT_EQ(pic.device_id_read, 0x3FE0);
}

TEST_F(Pic16Ops, BulkEraseClearsEverythingAndReports) {
    fill_random(4);
    ASSERT_TRUE(open());
    ASSERT_TRUE(pic.program_all(true, false, true));
    pic.erase(false, true);
    EXPECT_EQ(chip.code[1], 0x3FFF);
    EXPECT_EQ(chip.data[1], 0xFF);
    EXPECT_EQ(chip.config[0], 0x3FFF);
    EXPECT_EQ(chip.config[7], 0x3FF8);
    EXPECT_EQ(host.boxes.back().lines,
              (std::vector<std::string>{"PIC 16F84  ", "PIC Erasing", "Successfully Completed"}));
}

TEST_F(Pic16Ops, ConfigurationProgrammingWritesIdsAndWordAndReportsWithoutTimes) {
    image->config = {1, 2, 3, 4, 0x3FFF, 0x3FFF, 0x3FFF, 0x3FF2};
    ASSERT_TRUE(open());
    EXPECT_TRUE(pic.program_configuration(true, true));
    EXPECT_EQ(chip.config[3], 4);
    EXPECT_EQ(chip.config[7], 0x3FF2);
    EXPECT_EQ(host.boxes.back().lines,
              (std::vector<std::string>{"PIC 16F84  ", "Config Programming", "Successfully Completed"}));
    image->config[1] = 0x8002;   // never matches
    retries(1);
    EXPECT_TRUE(pic.program_configuration(true, true));   // reported itself: still true
    EXPECT_FALSE(pic.last_all_ok);
    EXPECT_EQ(host.boxes[host.boxes.size() - 2].lines[0], "PIC 16F84   ERROR!            Offset = 02001h");
    EXPECT_EQ(host.boxes.back().lines,
              (std::vector<std::string>{"PIC 16F84   ERROR!", "Config Programming", "Not Successfully Completed"}));
}

TEST_F(Pic16Ops, ProgressStepsOncePerUnitAlsoWhenAnIdWordFails) {
    settings.skip_3fff = 0;
    ASSERT_TRUE(open());
    EXPECT_TRUE(pic.program_all(false, false, false));
    // 1024 words, 63 bytes (none after the last), 7 configuration-space addresses, the word at 0x2007.
    EXPECT_EQ(progress.steps, 1024 + 63 + 7 + 1);
    EXPECT_EQ(progress.max, 1024 + 64 + 8);

    image->config[1] = 0x8002;   // never matches its read-back
    retries(1);
    progress.steps = 0;
    EXPECT_FALSE(pic.program_all(true, false, false));
    // ID word 0, then the failing word 1 stops the loop; the step after it still comes.
    EXPECT_EQ(progress.steps, 1024 + 63 + 1 + 1);
    EXPECT_EQ(progress.position, 0);

    progress.steps = 0;
    image->config[1] = 0x0002;
    EXPECT_TRUE(pic.program_configuration(true, false));
    EXPECT_EQ(progress.steps, 0);   // no progress of its own
}

TEST_F(Pic16Ops, LedsBlinkEvery70thWordWhenReadingAnd10thOr5thWhenWriting) {
    settings.skip_3fff = 0;
    ASSERT_TRUE(open());
    pic.read_all();
    EXPECT_EQ(host.rx_toggles, 15 + 1);   // words 0, 70, .. 980; data byte 0
    EXPECT_EQ(host.tx_toggles, 0);
    host.rx_toggles = 0;
    pic.program_all(true, false, false);
    EXPECT_EQ(host.tx_toggles, 103 + 7);   // every 10th word and byte
    EXPECT_EQ(host.rx_toggles, 205 + 13);  // every 5th with read-back
    host.rx_toggles = host.tx_toggles = 0;
    pic.program_all(false, false, false);
    EXPECT_EQ(host.tx_toggles, 103 + 7);
    EXPECT_EQ(host.rx_toggles, 0);
}

TEST_F(Pic16Ops, AbortShowsOneNoticeAndStopsAtTheNextPump) {
    ASSERT_TRUE(open());
    host.at_pump = 100;
    host.on_pump = [&] { pic.abort(); };
    chip.reads = 0;
    EXPECT_FALSE(pic.read_all());
    EXPECT_EQ(chip.reads, 100);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, MsgKind::Warning);
    EXPECT_EQ(host.boxes[0].lines, (std::vector<std::string>{"PIC 16F84  ", "Process Aborted"}));
    EXPECT_EQ(progress.position, 0);
}

} // namespace
} // namespace korvane
