// The 16F command sequences as they go out on the lines: erase forms, the device check and the
// order of loads, programming cycles, waits, read-backs and increments.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "fake_pic16.h"
#include "pic_bench.h"

namespace korvane {
namespace {

// The chip records the transactions.
class Pic16Sequences : public ::testing::Test, protected test::PicBench<test::FakePic16> {
protected:
    Pic16Sequences() {
        settings.skip_3fff = 0;
        pic.set_device(0);
        pic.load_programmer_params();   // JDM: 11 ms programming delay
        clear_pic_image(*image, 0);
        pic.select_image(*image);
        pic.open_programmer();
        chip.record = true;
        chip.tokens.clear();
    }
    std::string text(std::size_t from = 0, std::size_t count = std::string::npos) const {
        return chip.recorded(from, count);
    }
};

const std::string kIdsAndConfigErase =
    "0:3FFF 2:3FFF 8 w13 6 2:3FFF 8 w13 6 2:3FFF 8 w13 6 2:3FFF 8 w13 6 6 6 6 2:3FF8 8 w13";

TEST_F(Pic16Sequences, EraseForms) {
    pic.erase(true, false);
    EXPECT_EQ(text(), "0:FFFF 6 6 6 6 6 6 6 1 7 8 w13 1 7");

    chip.tokens.clear();
    pic.erase(false, false);
    const std::string pass = "2:3FFF 1 7 8 w13 1 7 w13 3:3FFF 1 7 8 w13 1 7 w13 " + kIdsAndConfigErase +
                             " 2:3FFF 9 8 w13 3:3FFF 11 8 w13 " + kIdsAndConfigErase;
    EXPECT_EQ(text(), pass + " " + pass);
}

TEST_F(Pic16Sequences, AreaProgrammingErasesOnlyItsOwnMemoryFirst) {
    image->code[0] = 0x0123;
    pic.program_code_area(false, false, true);
    EXPECT_EQ(text(0, 16), "T 2:3FFF 1 7 8 w13 1 7 w13 2:3FFF 9 8 w13 T 2:0123 8");

    chip.tokens.clear();
    image->data[0] = 0x5A;
    pic.program_data_area(false, false, true);
    EXPECT_EQ(text(0, 16), "T 3:3FFF 1 7 8 w13 1 7 w13 3:3FFF 11 8 w13 T 3:005A 8");

    // Neither erase without the option or blank skipping.
    chip.tokens.clear();
    pic.program_data_area(false, false, false);
    EXPECT_EQ(text(0, 5), "T T 3:005A 8 w11");
}

TEST_F(Pic16Sequences, DeviceCheckReadsAddress2006) {
    pic.device_check();
    EXPECT_EQ(text(), "0:3FFF 6 6 6 6 6 6 r4");
}

TEST_F(Pic16Sequences, ProgramAllWordOrderAndTheConfigurationWordLast) {
    image->config = {1, 2, 3, 4, 0x3FFF, 0x3FFF, 0x3FFF, 0x3FF1};
    pic.program_all(true, false, false);
    // Each word: load, program, wait, read back, then the increment.
    EXPECT_EQ(text(0, 6), "T 2:3FFF 8 w11 r4 6");
    // The last data byte has no increment; configuration space follows, the configuration word
    // read back like the rest.
    const std::size_t n = chip.tokens.size();
    EXPECT_EQ(text(n - 32),
              "3:00FF 8 w11 r5 0:3FFF 2:0001 8 w11 r4 6 2:0002 8 w11 r4 6 2:0003 8 w11 r4 6 "
              "2:0004 8 w11 r4 6 6 6 6 2:3FF1 8 w11 r4");
    EXPECT_TRUE(pic.last_all_ok);

    // Without write verify it is written once, unread.
    chip.tokens.clear();
    pic.program_configuration(false, false);
    EXPECT_EQ(text(), "0:3FFF 2:0001 8 w11 6 2:0002 8 w11 6 2:0003 8 w11 6 2:0004 8 w11 6 6 6 6 2:3FF1 8 w11");
}

TEST_F(Pic16Sequences, TheWaitIsNeverShorterThanTheChipsWriteCycle) {
    // The 16F628 erases and then programs a location: 13 ms, more than the JDM default of 11.
    pic.set_device(1);
    image->config[7] = 0x3F29;
    pic.program_configuration(true, false);
    EXPECT_EQ(text(), "0:3FFF 2:3FFF 8 w13 r4 6 2:3FFF 8 w13 r4 6 2:3FFF 8 w13 r4 6 2:3FFF 8 w13 r4 6 6 6 6 "
                      "2:3F29 8 w13 r4");
    // A longer delay is kept; on the 16F84 the default already covers its 8 ms.
    settings.current_programmer().prog_delay_ms = 20;
    pic.load_programmer_params();
    chip.tokens.clear();
    pic.program_configuration(false, false);
    EXPECT_EQ(text(0, 3), "0:3FFF 2:3FFF 8");
    EXPECT_EQ(chip.tokens[3], "w20");
    pic.set_device(0);
    settings.current_programmer().prog_delay_ms = 1;
    pic.load_programmer_params();
    chip.tokens.clear();
    pic.program_configuration(false, false);
    EXPECT_EQ(chip.tokens[3], "w8");
}

} // namespace
} // namespace korvane
