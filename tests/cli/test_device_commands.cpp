// korvane-cli device commands against the persisted simulator, one process per command.
#include <gtest/gtest.h>

#if __has_include("sim/sim_bench.h")

#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "buffers/pic_buffers.h"
#include "cli_runner.h"
#include "files/pic_hex_reader.h"
#include "files/pic_hex_writer.h"

namespace korvane {
namespace {

using test::read_file;
using test::shell_quote;
using test::write_file;

using DeviceCommands = test::SimCli;

TEST_F(DeviceCommands, ProgramThenReadInAnotherProcessGivesTheSameHex) {
    // The words the chip holds at 0x2004..0x2006 come back from a read; take them from a first one.
    ASSERT_EQ(cli("-d 16F628 read " + path("blank.hex")), 0) << err;
    auto image = std::make_unique<PicImage>();
    clear_pic_image(*image, 1);
    ASSERT_EQ(read_pic_hex_file(path("blank.hex"), *image, 1), HexReadResult::Ok);
    std::mt19937 rng(7);
    for (int i = 0; i < 2048; ++i) image->code[std::size_t(i)] = std::uint16_t(rng() & 0x3FFF);
    for (int i = 0; i < 128; ++i) image->data[std::size_t(i)] = std::uint8_t(rng());
    for (int k = 0; k < 4; ++k) image->config[std::size_t(k)] = std::uint16_t(rng() & 0x3FFF);
    image->config[7] = 0x3F3A;
    write_file(path("in.hex"), pic_hex_text(*image, 1));

    // The JDM default delay of 11 ms: the 16F628 still gets the 13 ms its write cycle takes.
    ASSERT_EQ(cli("-d 16F628 program " + path("in.hex")), 0) << err;
    EXPECT_NE(err.find("PIC 16F628 : PIC Programming; Successfully Completed"), std::string::npos) << err;
    ASSERT_EQ(cli("-P SIM -d 16F628 read " + path("back.hex"), "KORVANE_COM1="), 0) << err;
    EXPECT_TRUE(read_file(path("back.hex")) == read_file(path("in.hex")));
    EXPECT_EQ(cli("-d 16F628 verify " + path("in.hex")), 0) << err;
    EXPECT_NE(err.find("Verify Successfully Completed"), std::string::npos) << err;
}

TEST_F(DeviceCommands, VerifyOfAChangedWordFailsWithStatusOne) {
    auto image = std::make_unique<PicImage>();
    clear_pic_image(*image, 0);
    image->code[0] = 0x2805;
    image->code[1] = 0x0000;
    write_file(path("in.hex"), pic_hex_text(*image, 0));
    ASSERT_EQ(cli("-d 16F84 program --io api " + path("in.hex")), 0) << err;
    image->code[1] = 0x0001;
    write_file(path("changed.hex"), pic_hex_text(*image, 0));
    EXPECT_EQ(cli("-d 16F84 verify " + path("changed.hex")), 1);
    EXPECT_NE(err.find("PIC 16F84   ERROR!          PicZone = Program:  PIC Verify; Not Successfully Completed"),
              std::string::npos)
        << err;
}

TEST_F(DeviceCommands, WrongDeviceAndMissingFileAreFailuresAndBadUsageIsTwo) {
    ASSERT_EQ(cli("-d 16F877 erase"), 0) << err;
    EXPECT_NE(err.find("PIC Erasing"), std::string::npos);
    EXPECT_EQ(cli("-d 16F84 read " + path("x.hex"), "KORVANE_SIM=id=0x09A0"), 1);
    EXPECT_NE(err.find("Wrong PIC Type Selected"), std::string::npos) << err;
    EXPECT_EQ(cli("-d 16F84 read --no-check " + path("x.hex"), "KORVANE_SIM=id=0x09A0"), 0) << err;
    EXPECT_EQ(cli("-d 16F84 program " + path("missing.hex")), 1);
    EXPECT_EQ(cli("-d 16F84 read"), 2);
    EXPECT_EQ(cli("-d 16F84 erase --bogus"), 2);
    EXPECT_EQ(cli("-d 16F84 read --io usb " + path("x.hex")), 2);
}

TEST_F(DeviceCommands, Pic18ProgramReadVerifyAndEraseInSeparateProcesses) {
    auto image = std::make_unique<PicImage>();
    clear_pic_image(*image, 10);
    std::mt19937 rng(9);
    for (int i = 0; i < 4096; ++i) image->code[std::size_t(i)] = std::uint16_t(rng());
    for (int i = 0; i < 256; ++i) image->data[std::size_t(i)] = std::uint8_t(rng());
    for (auto& b : image->id) b = std::uint8_t(rng());
    // Only bits the chip has, so the file reads back as written; nothing protected.
    const std::uint16_t config[7] = {0x2200, 0x0E0C, 0x0100, 0x0085, 0xC00F, 0xE00F, 0x400F};
    std::copy(config, config + 7, image->config.begin());
    write_file(path("in.hex"), pic_hex_text(*image, 10));

    ASSERT_EQ(cli("-d 18F452 program --delay 1 " + path("in.hex")), 0) << err;
    EXPECT_NE(err.find("PIC 18F452 : PIC Programming; Successfully Completed"), std::string::npos) << err;
    ASSERT_EQ(cli("-d 18f452 read --io api " + path("back.hex")), 0) << err;
    EXPECT_TRUE(read_file(path("back.hex")) == read_file(path("in.hex")));
    EXPECT_EQ(cli("-d 18F452 verify " + path("in.hex")), 0) << err;
    EXPECT_NE(err.find("PIC 18F452 : Verify Successfully Completed"), std::string::npos) << err;

    ASSERT_EQ(cli("-d 18F452 erase"), 0) << err;
    EXPECT_NE(err.find("PIC 18F452 : PIC Erasing; Successfully Completed"), std::string::npos) << err;
    EXPECT_EQ(cli("-d 18F452 verify " + path("in.hex")), 1);
    EXPECT_NE(err.find("PIC 18F452  ERROR!          PicZone = Program:  PIC Verify; Not Successfully Completed"),
              std::string::npos)
        << err;
    EXPECT_EQ(cli("-d 18F452 read " + path("x.hex"), "KORVANE_SIM=id=0x0480"), 1);   // an 18F242's ID
    EXPECT_NE(err.find("PIC 18F452  ERROR!: Wrong PIC Type Selected"), std::string::npos) << err;
}

// Real time: programming takes seconds (the 18F252's 1024 programming waits of 11 ms), the
// interrupt comes after half a second. The port is free again and the chip answers the next run.
TEST_F(DeviceCommands, InterruptAbortsTheTaskAndTheChipAnswersAfterwards) {
    for (auto [device, name, words, title] : {std::tuple{0, "16F84", 1024, "PIC 16F84  : "},
                                              std::tuple{6, "18F252", 16384, "PIC 18F252 : "}}) {
        SCOPED_TRACE(name);
        auto image = std::make_unique<PicImage>();
        clear_pic_image(*image, device);
        for (int i = 0; i < words; ++i) image->code[std::size_t(i)] = std::uint16_t(i);
        write_file(path("in.hex"), pic_hex_text(*image, device));
        EXPECT_EQ(interrupted("-d " + std::string(name) + " program " + shell_quote(path("in.hex"))), 1);
        EXPECT_NE(err.find(std::string(title) + "Process Aborted"), std::string::npos) << err;
        EXPECT_EQ(err.find("Successfully"), std::string::npos) << err;
        EXPECT_EQ(cli("-d " + std::string(name) + " erase"), 0) << err;
        EXPECT_NE(err.find(std::string(title) + "PIC Erasing; Successfully Completed"), std::string::npos) << err;
    }
}

TEST_F(DeviceCommands, PortsListsTheSimulatorLast) {
    ASSERT_EQ(cli("ports"), 0);
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out.substr(out.size() - 4), "SIM\n");
}

} // namespace
} // namespace korvane
#endif
