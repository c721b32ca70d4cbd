// The loader images: the line reader, loading in loader mode, and the Write Loader command on a
// fake 16F84 card.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "card/setup_loader.h"
#include "card/write_loader.h"
#include "pic/fake_pic16.h"
#include "pic/pic_bench.h"
#include "pic/pic_catalogue.h"

namespace korvane {
namespace {

// Code words 0x2805 0x3FF0 at 0, a configuration word 0x3FFB, two EEPROM bytes, the end; one
// record after the end that must be ignored.
const char* kLoader16F =
    ":020000040000FA\r\n"
    ":040000000528F03FA6\r\n"
    ":02400E00FB3F78\r\n"
    ":04420000AA0055009F\r\n"
    ":00000001FF\r\n"
    ":0200100034127A\r\n";

TEST(SetupLoader, LinesEndAtCarriageReturn) {
    LoaderTextReader reader("ab\r\ncd\r\ntail");
    std::string line;
    ASSERT_TRUE(reader.next_line(line));
    EXPECT_EQ(line, "ab");
    ASSERT_TRUE(reader.next_line(line));
    EXPECT_EQ(line, "cd");
    EXPECT_FALSE(reader.next_line(line)) << "no CR after the last characters";
    EXPECT_EQ(line, "cd");
}

TEST(SetupLoader, WhateverTheBuildCarriesIsHexTextWithItsEndRecord) {
    for (int device : {0, 10}) {
        const std::string text = loader_text(device);
        if (!text.empty()) {
            EXPECT_EQ(text.front(), ':');
            EXPECT_NE(text.find(":00000001FF"), std::string::npos);
        }
    }
}

TEST(SetupLoader, LoaderModeFixesTheConfigurationWord) {
    const std::pair<int, std::uint16_t> cases[] = {{0, 0x3FF1}, {1, 0x3F29}, {3, 0x3D39}};
    for (const auto& [device, config] : cases) {
        auto image = std::make_unique<PicImage>();
        image->code.fill(0x1234);
        image->empty = false;
        load_loader_text(kLoader16F, *image, device);
        EXPECT_EQ(image->config[7], config) << device;
        EXPECT_EQ(image->code[0], 0x2805);
        EXPECT_EQ(image->code[1], 0x3FF0);
        EXPECT_EQ(image->code[8], 0x3FFF) << "nothing after the end record; the rest is blank";
        EXPECT_EQ(image->data[0], 0xAA);
        EXPECT_EQ(image->data[1], 0x55);
        EXPECT_FALSE(image->empty) << "the empty flag is not touched";
    }
}

TEST(SetupLoader, MissingImageLeavesTheBufferBlank) {
    auto image = std::make_unique<PicImage>();
    image->code.fill(0x1234);
    load_loader_text("", *image, 0);
    EXPECT_EQ(image->code[0], 0x3FFF);
    EXPECT_EQ(image->config[7], pic_cleared_config_word(0));
}

class WriteLoader : public ::testing::Test, protected test::PicBench<test::FakePic16> {
protected:
    WriteLoader() {
        settings.iso_pic_device = 0;
        settings.confirm_program = 0;
        pic.load_settings(true);
        clear_pic_image(*image, 0);
        writer.set_priority = nullptr;
        writer.loader_source = [](int) { return std::string(kLoader16F); };
    }
    LoaderWriter writer{settings, host, view, pic};
};

TEST_F(WriteLoader, ProgramsTheLoaderVerifiedWithoutASuccessBox) {
    settings.check_pic = 0;
    settings.write_verify = 0;   // the loader is verified while written whatever the options say
    settings.erase_before = 0;
    chip.code[5] = 0x0000;
    ASSERT_TRUE(writer.run(*image));
    EXPECT_EQ(chip.code[0], 0x2805);
    EXPECT_EQ(chip.code[5], 0x3FFF) << "erased before writing";
    EXPECT_EQ(chip.config[7], 0x3FF1);
    EXPECT_EQ(chip.data[1], 0x55);
    EXPECT_EQ(image->config[7], 0x3FF1) << "the active buffer holds the loader afterwards";
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_THAT(view.calls, ::testing::ElementsAre("abort on", "id 3FFF", "refresh clear", "lock", "refresh",
                                                   "abort off"));
    EXPECT_FALSE(chip.open);
    EXPECT_EQ(host.cursor, (std::vector<bool>{true, false}));
}

TEST_F(WriteLoader, WrongPicWritesNothing) {
    settings.check_pic = 1;
    chip.config[6] = 0x0D00;   // a 16F628 in a GoldCard's place
    EXPECT_FALSE(writer.run(*image));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines, (std::vector<std::string>{"PIC 16F84   ERROR!", "Wrong PIC Type Selected"}));
    EXPECT_EQ(chip.code[0], 0x3FFF);
    EXPECT_FALSE(chip.open);
}

TEST_F(WriteLoader, AnsweredNoOrPortClosedDoesNothing) {
    settings.confirm_program = 1;
    host.answer = mbNo;
    EXPECT_FALSE(writer.run(*image));
    EXPECT_EQ(chip.opens, 0);
    EXPECT_TRUE(view.calls.empty());

    host.answer = mbYes;
    chip.open_ok = false;
    EXPECT_FALSE(writer.run(*image));
    EXPECT_THAT(view.calls, ::testing::ElementsAre("abort on", "abort off"));
}

TEST_F(WriteLoader, AbortedProgrammingFails) {
    settings.check_pic = 0;
    host.at_pump = 20;
    host.on_pump = [&] { pic.abort(); };
    EXPECT_FALSE(writer.run(*image));
    EXPECT_FALSE(chip.open);
    EXPECT_EQ(pic.task_running, 0);
}

} // namespace
} // namespace korvane
