// The 16F command sequences as they go out on the lines: erase forms, the device check and the
// order of loads, programming cycles, waits, read-backs and increments.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "app/settings.h"
#include "fake_host.h"
#include "pic/tpic.h"

namespace korvane {
namespace {

// Decodes the clocked bits into 16F transactions: "2:3FFF" a load with its 14-bit word, "0:FFFF"
// load configuration with its 16-bit value, "r4" a read, bare codes for the rest, "w13" a sleep,
// "T" target on.
class CommandTrace : public IProgrammerLines {
public:
    std::vector<std::string> tokens;

    bool open_port(const std::string&) override { return true; }
    void close_port() override {}
    void target_on() override { tokens.push_back("T"); }
    void data_high() override { data_ = true; }
    void data_low() override { data_ = false; }
    void clock_high() override {
        if (!clock_) rising_edge();
        clock_ = true;
    }
    void clock_low() override { clock_ = false; }
    // A read gives back the last loaded word, so read-backs match.
    bool read_data_in() override { return frame_ >= 5 && n_ >= 2 && ((echo_ >> (n_ - 2)) & 1u); }
    void wait_us(unsigned) override {}
    void sleep_ms(unsigned n) override { tokens.push_back("w" + std::to_string(n)); }

    std::string text(std::size_t from = 0, std::size_t count = std::string::npos) const {
        std::ostringstream s;
        for (std::size_t i = from; i < tokens.size() && i - from < count; ++i)
            s << (i > from ? " " : "") << tokens[i];
        return s.str();
    }

private:
    void rising_edge() {
        if (data_) bits_ |= 1u << n_;
        ++n_;
        if (frame_ == 0 && n_ == 6) {
            const unsigned cmd = bits_;
            if (cmd == 0 || cmd == 2 || cmd == 3 || cmd == 4 || cmd == 5) frame_ = cmd + 1;
            else tokens.push_back(std::to_string(cmd));
            n_ = bits_ = 0;
        } else if (frame_ != 0 && n_ == 16) {
            const unsigned cmd = frame_ - 1;
            char buf[16];
            if (cmd >= 4) std::snprintf(buf, sizeof buf, "r%u", cmd);
            else std::snprintf(buf, sizeof buf, "%u:%04X", cmd, cmd == 0 ? bits_ : (bits_ >> 1) & 0x3FFF);
            if (cmd == 2 || cmd == 3) echo_ = (bits_ >> 1) & 0x3FFF;
            tokens.push_back(buf);
            frame_ = 0;
            n_ = bits_ = 0;
        }
    }

    bool data_ = false, clock_ = false;
    // frame_: 0 while a command comes in, else 1 + the command whose frame runs.
    unsigned n_ = 0, bits_ = 0, frame_ = 0, echo_ = 0x3FFF;
};

class Pic16Sequences : public ::testing::Test {
protected:
    Pic16Sequences() {
        apply_settings_defaults(settings, "/tmp/");
        settings.skip_3fff = 0;
        pic.set_device(0);
        pic.load_programmer_params();   // JDM: 11 ms programming delay
        clear_pic_image(*image, 0);
        pic.select_image(*image);
        pic.open_programmer();
        lines.tokens.clear();
    }

    SettingsRecord settings{};
    test::FakeHost host;
    CommandTrace lines;
    TPIC pic{settings, host, lines};
    std::unique_ptr<PicImage> image = std::make_unique<PicImage>();
};

const std::string kIdsAndConfigErase =
    "0:3FFF 2:3FFF 8 w13 6 2:3FFF 8 w13 6 2:3FFF 8 w13 6 2:3FFF 8 w13 6 6 6 6 2:3FF8 8 w13";

TEST_F(Pic16Sequences, EraseForms) {
    pic.erase(true, false);
    EXPECT_EQ(lines.text(), "0:FFFF 6 6 6 6 6 6 6 1 7 8 w13 1 7");

    lines.tokens.clear();
    pic.erase(false, false);
    const std::string pass = "2:3FFF 1 7 8 w13 1 7 w13 3:3FFF 1 7 8 w13 1 7 w13 " + kIdsAndConfigErase +
                             " 2:3FFF 9 8 w13 3:3FFF 11 8 w13 " + kIdsAndConfigErase;
    EXPECT_EQ(lines.text(), pass + " " + pass);
}

TEST_F(Pic16Sequences, AreaProgrammingErasesOnlyItsOwnMemoryFirst) {
    image->code[0] = 0x0123;
    pic.program_code_area(false, false, true);
    EXPECT_EQ(lines.text(0, 16), "T 2:3FFF 1 7 8 w13 1 7 w13 2:3FFF 9 8 w13 T 2:0123 8");

    lines.tokens.clear();
    image->data[0] = 0x5A;
    pic.program_data_area(false, false, true);
    EXPECT_EQ(lines.text(0, 16), "T 3:3FFF 1 7 8 w13 1 7 w13 3:3FFF 11 8 w13 T 3:005A 8");

    // Neither erase without the option or blank skipping.
    lines.tokens.clear();
    pic.program_data_area(false, false, false);
    EXPECT_EQ(lines.text(0, 5), "T T 3:005A 8 w11");
}

TEST_F(Pic16Sequences, DeviceCheckReadsAddress2006) {
    pic.device_check();
    EXPECT_EQ(lines.text(), "0:3FFF 6 6 6 6 6 6 r4");
}

TEST_F(Pic16Sequences, ProgramAllWordOrderAndTheConfigurationWordLast) {
    image->config = {1, 2, 3, 4, 0x3FFF, 0x3FFF, 0x3FFF, 0x3FF1};
    pic.program_all(true, false, false);
    // Each word: load, program, wait, read back, then the increment.
    EXPECT_EQ(lines.text(0, 6), "T 2:3FFF 8 w11 r4 6");
    // The last data byte has no increment; configuration space follows.
    const std::size_t n = lines.tokens.size();
    EXPECT_EQ(lines.text(n - 31),
              "3:00FF 8 w11 r5 0:3FFF 2:0001 8 w11 r4 6 2:0002 8 w11 r4 6 2:0003 8 w11 r4 6 "
              "2:0004 8 w11 r4 6 6 6 6 2:3FF1 8 w11");
}

} // namespace
} // namespace korvane
