// korvane-cli disasm, run as a process.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

#include "app/settings.h"
#include "common/test_env.h"
#include "disasm/assembler_view.h"
#include "disasm/listing_file.h"
#include "files/pic_hex_writer.h"

namespace korvane {
namespace {

struct CliRun {
    int status = -1;
    std::string out, err;
};

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class DisasmCli : public ::testing::Test {
protected:
    void SetUp() override {
        cli_ = std::filesystem::path(KORVANE_TEST_BUILD_DIR).parent_path() / "korvane-cli";
        ASSERT_TRUE(std::filesystem::exists(cli_)) << cli_;
        image_ = std::make_unique<PicImage>();
        clear_pic_image(*image_, 0);
        image_->code[0] = 0x2805;
        image_->code[5] = 0x1683;
        image_->config[7] = 0x3FF1;
        image_->data[0] = 0x42;
        hex_ = (dir_.path() / "in.hex").string();
        ASSERT_TRUE(write_pic_hex_file(hex_, *image_, 0));
    }

    CliRun run(const std::string& args) {
        CliRun r;
        const auto err = dir_.path() / "stderr.txt";
        FILE* pipe = popen((quote(cli_.string()) + " " + args + " 2>" + quote(err.string())).c_str(), "r");
        if (!pipe) return r;
        std::array<char, 4096> buf{};
        std::size_t n;
        while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
        const int status = pclose(pipe);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.err = test::read_file(err);
        return r;
    }

    std::string expected(const ListingOptions& o) {
        PicImage copy = *image_;
        copy.file_name = hex_;
        return listing_text(disassemble_image(copy, 0, o));
    }

    test::TempDir dir_;
    std::filesystem::path cli_;
    std::unique_ptr<PicImage> image_;
    std::string hex_;
};

TEST_F(DisasmCli, ListingGoesToStdoutWithSettingsDefaults) {
    const CliRun r = run("-d 16F84 disasm " + quote(hex_));
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
    const CliRun r = run("-d 16F84 disasm " + quote(hex_) + " " + quote(out.string()) +
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
    const CliRun r = run("-d 16F84 disasm " + quote(hex_) + " --radix oct");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected({Radix::Octal, false, false, true}));
}

TEST_F(DisasmCli, EighteenFDeviceIsRefused) {
    const CliRun r = run("-d 18F452 disasm " + quote(hex_));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("Warning:  Not Available For 16 Bits PIC !"), std::string::npos) << r.err;
}

TEST_F(DisasmCli, BadArgumentsAndFiles) {
    EXPECT_EQ(run("-d 16F84 disasm " + quote(hex_) + " --radix hexa").status, 2);
    EXPECT_EQ(run("-d 16F84 disasm " + quote(hex_) + " --offset").status, 2);
    EXPECT_EQ(run("-d 16F84 disasm " + quote(hex_) + " --colour on").status, 2);
    EXPECT_EQ(run("-d 16F84 disasm").status, 2);
    EXPECT_EQ(run("-d 16F84 disasm a.hex b.asm c.asm").status, 2);
    EXPECT_EQ(run("-d 24C16 disasm " + quote(hex_)).status, 2);

    CliRun r = run("-d 16F84 disasm " + quote((dir_.path() / "missing.hex").string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Invalid File Name"), std::string::npos) << r.err;

    r = run("-d 16F84 disasm " + quote(hex_) + " " + quote((dir_.path() / "no" / "out.asm").string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
}

} // namespace
} // namespace korvane
