// korvane-cli convert, run as the user runs it.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "cli_runner.h"
#include "files/eeprom_image_files.h"
#include "files/pic_hex_writer.h"

using namespace korvane;
using korvane::test::CliRun;

namespace {

using ConvertCli = test::CliFiles;

} // namespace

TEST_F(ConvertCli, PicHexIsRewrittenInTheProgramsLayout) {
    // A gpasm-style file: LF line ends, records at odd addresses, no blank words.
    test::write_file(path("in.hex"), ":020000040000FA\n:0400000004EF00F019\n:020000040030CA\n"
                                     ":03000100220C0EC0\n:00000001FF\n");
    const CliRun r = cli("-d 18F452 convert " + q("in.hex") + " " + q("out.hex"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto img = std::make_unique<PicImage>();
    clear_pic_image(*img, 10);
    img->code[0] = 0xEF04;
    img->code[1] = 0xF000;
    img->config[0] = 0x22FF;
    img->config[1] = 0x0E0C;
    EXPECT_EQ(test::read_file(path("out.hex")), pic_hex_text(*img, 10));
}

TEST_F(ConvertCli, EEPromBinToHexAndBack) {
    std::string bin(2048, '\0');
    for (std::size_t k = 0; k < bin.size(); ++k) bin[k] = char(k * 31);
    test::write_file(path("a.bin"), bin);
    CliRun r = cli("-d 24C16 convert " + q("a.bin") + " " + q("a.hex"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::read_file(path("a.hex")).substr(0, 9), ":10000000");
    r = cli("-d 24c16 convert " + q("a.hex") + " " + q("b.BIN"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::read_file(path("b.BIN")), bin);
}

TEST_F(ConvertCli, ReportedFailuresExitOneAndWriteNothing) {
    test::write_file(path("in.txt"), ":00000001FF\r\n");
    test::write_file(path("bad.hex"), ":02000000052800\r\n");
    test::write_file(path("ok.bin"), "abc");
    const std::pair<std::string, std::string> cases[] = {
        {"-d 16F84 convert " + q("in.txt") + " " + q("out.hex"), "PIC 16F84   ERROR!: File Type Not Correct\n"},
        {"-d 24C256 convert " + q("missing.bin") + " " + q("out.hex"), "EEProm 24C256 ERROR!: Invalid File Name\n"},
        {"-d 16F628 convert " + q("bad.hex") + " " + q("out.hex"), "PIC 16F628  ERROR!: CheckSum Not Correct\n"},
        {"-d 24C02 convert " + q("ok.bin") + " " + q("out.txt"), "EEProm 24C02 ERROR!: File Type Not Correct\n"},
        {"-d 24C02 convert " + q("ok.bin") + " " + q("no/dir/out.bin"),
         "EEProm 24C02 ERROR!: Couldn't Write File; " + path("no/dir/out.bin") + "\n"},
    };
    for (const auto& [args, err] : cases) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_EQ(r.err, err);
    }
    EXPECT_FALSE(std::filesystem::exists(path("out.hex")));
}

TEST_F(ConvertCli, UsageErrorsExitTwo) {
    const CliRun r = cli("convert onlyone.hex");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: korvane-cli [options] convert IN OUT"), std::string::npos) << r.err;
    for (const char* args : {"-d 99X99 convert a.hex b.hex", "", "nosuchcommand"})
        EXPECT_EQ(cli(args).status, 2) << args;
}

TEST_F(ConvertCli, HelpTexts) {
    CliRun r = cli("convert --help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("convert IN OUT"), std::string::npos);
    r = cli("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("  convert IN OUT\n"), std::string::npos) << r.out;
}
