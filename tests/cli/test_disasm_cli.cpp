// korvane-cli disasm, run as a process.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/settings.h"
#include "cli_runner.h"
#include "disasm/assembler_view.h"
#include "disasm/listing_file.h"
#include "files/pic_hex_writer.h"

namespace korvane {
namespace {

using test::CliRun;
using test::shell_quote;

class DisasmCli : public ::testing::Test {
protected:
    void SetUp() override {
        image_ = std::make_unique<PicImage>();
        clear_pic_image(*image_, 0);
        image_->code[0] = 0x2805;
        image_->code[5] = 0x1683;
        image_->config[7] = 0x3FF1;
        image_->data[0] = 0x42;
        hex_ = (dir_.path() / "in.hex").string();
        ASSERT_TRUE(write_pic_hex_file(hex_, *image_, 0));
    }

    CliRun run(const std::string& args) { return test::run_cli(dir_, args); }

    std::string expected(const ListingOptions& o) {
        PicImage copy = *image_;
        copy.file_name = hex_;
        return listing_text(disassemble_image(copy, 0, o));
    }

    test::TempDir dir_;
    std::unique_ptr<PicImage> image_;
    std::string hex_;
};

TEST_F(DisasmCli, ListingGoesToStdoutWithSettingsDefaults) {
    const CliRun r = run("-d 16F84 disasm " + shell_quote(hex_));
    ASSERT_EQ(r.status, 0) << r.err;
    // No settings file: hexadecimal, fuses, offsets and opcodes.
    EXPECT_EQ(r.out, expected({Radix::Hexadecimal, true, true, true}));
    EXPECT_NE(r.out.find("0000h:  2805                GOTO      L0005\r\n"), std::string::npos);
    EXPECT_NE(r.out.find("DATA      0x3FF1\r\n"), std::string::npos);
    EXPECT_EQ(r.out.find("\r\n; Source"), std::string::npos);
    EXPECT_EQ(r.out.rfind("; Source Hex File " + hex_ + "\r\n", 0), 0u);
}

TEST_F(DisasmCli, OptionsOverrideAndOutputFile) {
    const auto out = dir_.path() / "out.asm";
    const CliRun r = run("-d 16F84 disasm " + shell_quote(hex_) + " " + shell_quote(out.string()) +
                      " --radix dec --fuses off --offset off --opcode off");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(test::read_file(out), expected({Radix::Decimal, false, false, false}));
}

TEST_F(DisasmCli, DefaultsComeFromTheSettingsFile) {
    SettingsRecord rec{};
    apply_settings_defaults(rec, dir_.str() + "/");
    rec.radix = 3;
    rec.show_off = 0;
    rec.dis_fuses = 0;
    ASSERT_TRUE(save_settings(std::getenv("KORVANE_CONFIG_DIR"), rec));
    const CliRun r = run("-d 16F84 disasm " + shell_quote(hex_) + " --radix oct");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected({Radix::Octal, false, false, true}));
}

TEST_F(DisasmCli, EighteenFDeviceIsRefused) {
    const CliRun r = run("-d 18F452 disasm " + shell_quote(hex_));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("Warning:  Not Available For 16 Bits PIC !"), std::string::npos) << r.err;
}

TEST_F(DisasmCli, BadArgumentsAndFiles) {
    for (const char* args : {" --radix hexa", " --offset", " --colour on"})
        EXPECT_EQ(run("-d 16F84 disasm " + shell_quote(hex_) + args).status, 2) << args;
    for (const std::string& args : {std::string("-d 16F84 disasm"), std::string("-d 16F84 disasm a.hex b.asm c.asm"),
                                     "-d 24C16 disasm " + shell_quote(hex_)})
        EXPECT_EQ(run(args).status, 2) << args;

    CliRun r = run("-d 16F84 disasm " + shell_quote((dir_.path() / "missing.hex").string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Invalid File Name"), std::string::npos) << r.err;

    r = run("-d 16F84 disasm " + shell_quote(hex_) + " " + shell_quote((dir_.path() / "no" / "out.asm").string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
}

} // namespace
} // namespace korvane
