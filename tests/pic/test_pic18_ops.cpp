// The 18F operations against a small fake chip: round trips, the two code-phase forms, the erase
// codes, the failure offsets and the message texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "fake_pic18.h"
#include "pic/pic_catalogue.h"
#include "pic_bench.h"

namespace korvane {
namespace {

class Pic18Ops : public ::testing::Test, protected test::PicBench<test::FakePic18> {
protected:
    Pic18Ops() { use_device(10); }

    void use_device(int index) {
        apply_settings_defaults(settings, "/tmp/");
        pic.set_device(index);
        pic.load_programmer_params();
        pic.select_image(*image);
        pic.progress_bar = &progress;
        clear_pic_image(*image, index);
        chip.code_bytes = unsigned(2 * pic.code_size);
        chip.device_id = pic_device(index).device_id;
    }
    void fill_random(unsigned seed) {
        std::mt19937 rng(seed);
        for (int i = 0; i < pic.code_size; ++i) image->code[std::size_t(i)] = std::uint16_t(rng());
        for (int i = 0; i < pic.data_size; ++i) image->data[std::size_t(i)] = std::uint8_t(rng());
        for (auto& b : image->id) b = std::uint8_t(rng());
        for (int k = 0; k < 7; ++k) image->config[std::size_t(k)] = std::uint16_t(rng());
    }
    std::vector<std::string> erase_tokens() const {
        std::vector<std::string> e;
        for (const auto& t : chip.tokens)
            if (t[0] == 'E') e.push_back(t);
        return e;
    }
    // What the chip reads for word k of the configuration area (missing bits read 0).
    std::uint16_t chip_config_word(int k) const {
        const auto byte = [&](int i) { return unsigned(chip.config[std::size_t(i)] & chip.config_bits[std::size_t(i)]); };
        return std::uint16_t(byte(2 * k + 1) << 8 | byte(2 * k));
    }
};

TEST_F(Pic18Ops, MultiPanelProgramAllThenReadBackGivesTheImage) {
    settings.skip_3fff = 0;
    fill_random(1);
    ASSERT_TRUE(pic.open_programmer());
    EXPECT_TRUE(pic.program_all(true, true, true));
    EXPECT_EQ(chip.violations, 0);
    EXPECT_EQ(chip.unknown_instructions, 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].kind, MsgKind::Information);
    EXPECT_EQ(std::vector<std::string>(host.boxes[0].lines.begin(), host.boxes[0].lines.begin() + 3),
              (std::vector<std::string>{"PIC 18F452 ", "PIC Programming", "Successfully Completed"}));
    EXPECT_EQ(host.boxes[0].lines[3].rfind("Start Time : ", 0), 0u);
    // 32 KB in 1024 programming cycles of four panels, 14 configuration bytes, one ID cycle.
    EXPECT_EQ(chip.programs, 1024 + 1 + 14);
    EXPECT_EQ(chip.ee_writes, 256);
    EXPECT_EQ(progress.max, 1024 + 256 + 16);
    EXPECT_EQ(progress.position, 0);

    auto programmed = std::make_unique<PicImage>(*image);
    clear_pic_image(*image, 10);
    EXPECT_TRUE(pic.read_all());
    EXPECT_EQ(host.boxes.size(), 1u);   // reading shows no box
    EXPECT_EQ(image->code, programmed->code);
    EXPECT_EQ(image->data, programmed->data);
    EXPECT_EQ(image->id, programmed->id);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(image->config[std::size_t(k)], chip_config_word(k)) << k;

    // Configuration bits the chip does not have read 0 but do not count as differences.
    *image = *programmed;
    EXPECT_TRUE(pic.verify_all(true));
    EXPECT_EQ(host.boxes.back().lines[1], "Programming and Verify");
}

TEST_F(Pic18Ops, SmallDeviceUsesTwoPanelsAndItsOwnProgressRange) {
    use_device(4);
    settings.skip_3fff = 0;
    fill_random(2);
    ASSERT_TRUE(pic.open_programmer());
    chip.record = true;
    EXPECT_TRUE(pic.program_all(true, false, true));
    EXPECT_EQ(std::count(chip.tokens.begin(), chip.tokens.end(), "12:0040"), 1);   // multi-panel mode once
    EXPECT_EQ(progress.max, 8192 / 8 + 256 + 16);
    EXPECT_EQ(chip.programs, 1024 + 1 + 14);
    EXPECT_TRUE(std::equal(chip.code.begin(), chip.code.begin() + 0x4000,
                           reinterpret_cast<const std::uint8_t*>(image->code.data())));
}

TEST_F(Pic18Ops, SkipBlankWritesBlocksWithDataWithinNineWordsAndChecksEveryBlock) {
    settings.skip_3fff = 1;
    image->code[9] = 0x1234;     // in the block at word 8; the block at word 4 sees it too
    image->code[100] = 0xABCD;
    ASSERT_TRUE(pic.open_programmer());
    chip.code.fill(0x00);        // not erased: skip-blank erases first even without the option
    chip.record = true;
    EXPECT_TRUE(pic.program_code_area(true, true, false));
    EXPECT_EQ(erase_tokens(), (std::vector<std::string>{"E88", "E89", "E8A", "E8B"}));
    // The blocks at words 4 and 8 (word 9 within their nine words), 92, 96 and 100.
    EXPECT_EQ(chip.programs, 5);
    EXPECT_EQ(chip.code[18], 0x34);
    EXPECT_EQ(chip.code[201], 0xAB);
    EXPECT_EQ(chip.table_reads, 2 * 16384);
    EXPECT_EQ(progress.max, 16384 / 4);
    EXPECT_EQ(host.boxes.back().lines[1], "PIC Programming");   // the runner's text for every area
}

TEST_F(Pic18Ops, EachProgramOperationErasesItsOwnMemory) {
    settings.skip_3fff = 0;
    ASSERT_TRUE(pic.open_programmer());
    chip.record = true;
    pic.program_data_area(false, false, true);
    EXPECT_EQ(erase_tokens(), std::vector<std::string>{"E81"});
    chip.tokens.clear();
    pic.program_all(false, false, true);
    EXPECT_EQ(erase_tokens(), std::vector<std::string>{"E80"});
    chip.tokens.clear();
    pic.program_configuration(false, false);
    pic.program_code_area(false, false, false);
    EXPECT_TRUE(erase_tokens().empty());
    EXPECT_EQ(chip.violations, 0);
}

TEST_F(Pic18Ops, ConfigurationGoesOutOneByteAtATimeAndVerifiesAsWords) {
    image->config = {0x2200, 0x0E0C, 0x0100, 0x0081, 0xC00F, 0xE00F, 0x400F, 0};
    image->id = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(pic.open_programmer());
    chip.record = true;
    EXPECT_TRUE(pic.program_configuration(true, true));
    const auto& t = chip.tokens;
    const auto first = std::find(t.begin(), t.end(), "0:EF00");
    ASSERT_NE(first, t.end());
    EXPECT_EQ(*(first + 1), "0:F800");
    const auto write0 = std::find(t.begin(), t.end(), "15:0000");
    ASSERT_NE(write0, t.end());
    EXPECT_EQ(*(write0 + 1), "P11");
    EXPECT_NE(std::find(t.begin(), t.end(), "15:2200"), t.end());   // the high byte at 0x300001
    EXPECT_EQ(chip.config[1], 0x22);
    EXPECT_EQ(chip.config[2], 0x0C);
    EXPECT_EQ(chip.config[3], 0x0E);
    EXPECT_EQ(chip.id, image->id);
    EXPECT_EQ(host.boxes.back().lines[1], "PIC Programming");
}

TEST_F(Pic18Ops, DeviceCheckIgnoresRevisionAndLetsAnAbsentDevicePass) {
    chip.device_id = 0x0427;
    ASSERT_TRUE(pic.open_programmer());
    EXPECT_TRUE(pic.device_check());
    EXPECT_EQ(pic.device_id_read, 0x0420);
    EXPECT_EQ(pic.revision, 7);
    pic.set_device(11);
    EXPECT_FALSE(pic.device_check());
    chip.present = false;   // the line echoes the released data: 0xFFFF
    for (int d = 4; d < 12; ++d) {
        pic.set_device(d);
        EXPECT_TRUE(pic.device_check()) << d;
    }
}

TEST_F(Pic18Ops, DataByteThatWillNotVerifyIsReportedAtItsIndexAfterMaxRetries) {
    retries(3);
    chip.stuck_data_low[0x10] = 0x01;
    image->data[0x10] = 0x01;
    ASSERT_TRUE(pic.open_programmer());
    EXPECT_FALSE(pic.program_data_area(true, true, false));
    EXPECT_EQ(chip.ee_writes, 0x11);   // never written again
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].lines, (std::vector<std::string>{"PIC 18F452  ERROR!            Offset = 00010h",
                                                             "Write EEProm Failure", "Max Retries Exceeded"}));
    EXPECT_EQ(host.boxes[1].lines,
              (std::vector<std::string>{"PIC 18F452  ERROR!", "PIC Programming", "Not Successfully Completed"}));
}

TEST_F(Pic18Ops, SlowEepromWritesArePolledUntilDone) {
    chip.ee_write_ms = 7;
    fill_random(4);
    ASSERT_TRUE(pic.open_programmer());
    EXPECT_TRUE(pic.program_data_area(true, false, false));
    EXPECT_EQ(chip.violations, 0);
    EXPECT_TRUE(std::equal(chip.data.begin(), chip.data.end(), image->data.begin()));
}

TEST_F(Pic18Ops, StuckCodeBitFailsAtTheDeviceAddressOfItsBlock) {
    settings.skip_3fff = 0;
    retries(2);
    chip.stuck_low[0x2012] = 0x01;   // panel 2, block 2
    fill_random(5);
    image->code[0x2012 / 2] |= 0x0001;
    ASSERT_TRUE(pic.open_programmer());
    chip.table_reads = 0;
    EXPECT_FALSE(pic.program_code_area(true, true, false));
    // Blocks 0 and 1 checked once, block 2 twice: panel 1 and the word that differs in panel 2.
    EXPECT_EQ(chip.table_reads, 2 * 32 + 2 * (8 + 4));
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].lines[0], "PIC 18F452  ERROR!            Offset = 02010h");
    EXPECT_EQ(host.boxes[0].lines[1], "Write Program Failure");
    EXPECT_EQ(chip.code[0x30], 0xFF);   // nothing after the failing block was written

    host.boxes.clear();
    retries(0);   // no pass at all: the first block fails at once, with write verify only
    EXPECT_FALSE(pic.program_code_area(true, false, false));
    EXPECT_EQ(host.boxes[0].lines[0], "PIC 18F452  ERROR!            Offset = 00000h");
    host.boxes.clear();
    EXPECT_TRUE(pic.program_code_area(false, false, false));
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(Pic18Ops, VerifyNamesTheFirstDifferingAreaAndReadsToTheEnd) {
    fill_random(6);
    ASSERT_TRUE(pic.open_programmer());
    ASSERT_TRUE(pic.program_all(true, false, true));
    chip.data[3] ^= 0x10;
    chip.id[0] ^= 0x01;
    host.boxes.clear();
    progress.steps = 0;
    EXPECT_TRUE(pic.verify_all(false));
    EXPECT_FALSE(pic.last_all_ok);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines, (std::vector<std::string>{"PIC 18F452  ERROR!          PicZone = EEProm",
                                                             " PIC Verify", "Not Successfully Completed"}));
    EXPECT_EQ(progress.steps, 16384 + 256 + 8 + 7);
}

TEST_F(Pic18Ops, EraseFormsDifferOnlyInTheirMessage) {
    fill_random(7);
    ASSERT_TRUE(pic.open_programmer());
    ASSERT_TRUE(pic.program_all(false, false, true));
    pic.erase(false, true);
    pic.erase(true, true);
    EXPECT_EQ(chip.erases, 3);
    EXPECT_EQ(host.boxes[0].lines, (std::vector<std::string>{"PIC 18F452 ", "PIC Erasing", "Successfully Completed"}));
    EXPECT_EQ(host.boxes[1].lines, (std::vector<std::string>{"PIC 18F452 ", "Code Protection", "Successfully Disabled"}));
    EXPECT_TRUE(std::all_of(chip.code.begin(), chip.code.end(), [](auto b) { return b == 0xFF; }));
    EXPECT_TRUE(std::all_of(chip.data.begin(), chip.data.end(), [](auto b) { return b == 0xFF; }));
}

} // namespace
} // namespace korvane
