// Our PIC ICSP decoder (tools/sigrok/pic_icsp) reads the lines at the simulated socket while our
// production link programs a 16F84 and an 18F452: every command, address and data word it finds
// must be the ones the host sent, in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/test_env.h"
#include "pic/pic18_link.h"
#include "pic/sim_rig.h"
#include "trace/line_recorder.h"
#include "trace/sigrok.h"

namespace korvane {
namespace {

using test::sigrok_decode;

const std::string kDecoderDir = KORVANE_TEST_DATA_DIR "/../../tools/sigrok";
constexpr unsigned kBitTimeUs = 2, kCommandDelayUs = 2;

std::string hex_or_dash(long v) {
    if (v < 0) return "-";
    char text[24];   // a long in hex, whatever its width
    std::snprintf(text, sizeof text, "%lx", v);
    return text;
}

// The host's side of the check: what it sent, as the decoder's "CMD ADDR DATA" row writes it.
struct SentLog {
    std::vector<std::string> entries;
    void add(unsigned cmd, long addr, long data) {
        entries.push_back(hex_or_dash(cmd) + " " + hex_or_dash(addr) + " " + hex_or_dash(data));
    }
};

// The 16F link with the program counter the host moved.
struct Host16 {
    Pic16Link& link;
    SentLog log;
    unsigned pc = 0;

    void command(unsigned cmd) {
        link.command(cmd);
        log.add(cmd, pc, -1);
        if (cmd == kIncrementAddress) ++pc;
    }
    void load(unsigned cmd, std::uint16_t word) {
        link.command_with_data(cmd, word);
        log.add(cmd, pc, word & 0x3FFF);
    }
    std::uint16_t read(unsigned cmd) {
        const std::uint16_t word = link.command_read(cmd);
        log.add(cmd, pc, word);
        return word;
    }
    // The value goes out unframed: its bits 1..14 are the frame's data bits.
    void load_configuration(std::uint16_t value) {
        link.load_configuration(value);
        pc = 0x2000;
        log.add(kLoadConfiguration, pc, (value >> 1) & 0x3FFF);
    }
    void program(unsigned load_cmd, unsigned read_cmd, std::uint16_t word, std::uint16_t mask) {
        load(load_cmd, word);
        command(kBeginProgramming);
        link.lines().sleep_ms(10);
        EXPECT_EQ(read(read_cmd) & mask, word & mask) << "at " << pc;
        command(kIncrementAddress);
    }
};

// The 18F link with the table pointer the host set.
struct Host18 {
    Pic18Link& link;
    SentLog log;
    std::uint32_t tblptr = 0;

    void core_log(std::uint16_t op) { log.add(kCoreInstruction, -1, op); }
    void set_table_pointer(std::uint32_t a) {
        link.set_table_pointer(a);
        log_pointer(a);
    }
    void log_pointer(std::uint32_t a) {
        for (std::uint16_t op : {std::uint16_t(0x0E00 | (a >> 16 & 0x3F)), std::uint16_t(0x6EF8),
                                 std::uint16_t(0x0E00 | (a >> 8 & 0xFF)), std::uint16_t(0x6EF7),
                                 std::uint16_t(0x0E00 | (a & 0xFF)), std::uint16_t(0x6EF6)})
            core_log(op);
        tblptr = a;
    }
    void select_memory(Pic18Memory m, std::initializer_list<std::uint16_t> ops) {
        link.select_memory(m);
        for (std::uint16_t op : ops) core_log(op);
    }
    void write(unsigned cmd, std::uint16_t payload) {
        link.send_instruction(cmd, payload);
        log.add(cmd, tblptr, payload);
        if (cmd == kTableWritePostInc2) tblptr += 2;
    }
    std::uint8_t read_post_inc() {
        const std::uint8_t v = link.command_read(kTableReadPostInc);
        log.add(kTableReadPostInc, tblptr++, v);
        return v;
    }
    void bulk_erase(unsigned code) {
        link.bulk_erase(code);
        for (std::uint16_t op : {0x8EA6, 0x8CA6}) core_log(op);
        log_pointer(kPic18EraseControl);
        log.add(kTableWrite, tblptr, code);
        core_log(0);
        core_log(0);
    }
    void multi_panel_mode(bool on) {
        link.multi_panel_mode(on);
        log_pointer(kPic18PanelWriteMode);
        log.add(kTableWrite, tblptr, on ? 0x40 : 0);
    }
    void programming_wait(unsigned ms) {
        link.programming_wait(ms);
        core_log(0);
    }
};

class IcspDecode : public ::testing::Test {
protected:
    std::vector<std::string> decode(const std::string& family, bool with_holds = false) {
        const std::string rows = with_holds ? "pic_icsp=fields:holds" : "pic_icsp=fields";
        // 10 MHz: five samples per half clock.
        return test::annotation_texts(sigrok_decode(trace_, "pic_icsp:pgc=PGC:pgd=PGD:vpp=VPP:family=" + family,
                                                    rows, "downsample=100", {"SIGROKDECODE_DIR=" + kDecoderDir}));
    }
    void start(test::SimRig& rig, IcspLink& link, unsigned command_bits) {
        ASSERT_TRUE(trace::LineRecorder::instance().start(trace_, {trace::Group::Board}));
        rig.real_lines.select_pic_target(rig.settings.pic_device);
        ASSERT_TRUE(rig.real_lines.open_port("SIM"));
        rig.real_lines.target_on();
        link.set_timing(kBitTimeUs, kCommandDelayUs, command_bits - 1);
    }
    void stop(test::SimRig& rig) {
        rig.real_lines.close_port();
        ASSERT_TRUE(trace::LineRecorder::instance().stop());
    }

    korvane::test::TempDir dir_;
    std::filesystem::path trace_ = dir_.path() / "icsp.vcd";
};

TEST_F(IcspDecode, Pic16F84ProgramWordsDataBytesAndConfigurationAsSent) {
    test::SimRig rig(0);   // 16F84
    Pic16Link link(rig.real_lines);
    start(rig, link, 6);
    Host16 host{link, {}};
    for (std::uint16_t word : {0x2805, 0x0183, 0x3A5C, 0x1FF0}) host.program(kLoadProgramData, kReadProgramData, word, 0x3FFF);
    for (std::uint16_t byte : {0x00, 0xA5, 0x7E}) host.program(kLoadDataData, kReadDataData, byte, 0xFF);
    host.load_configuration(0x3FFF);
    for (int k = 0; k < 7; ++k) host.command(kIncrementAddress);
    host.program(kLoadProgramData, kReadProgramData, 0x3FF1, 0x3FFF);
    stop(rig);

    EXPECT_EQ(decode("pic16"), host.log.entries);
    EXPECT_EQ(sim::SimBench::instance().counters().timing_violations, 0u);
}

TEST_F(IcspDecode, Pic18F452EraseRowWriteAndReadBackAsSentWithTheHolds) {
    test::SimRig rig(10);   // 18F452
    Pic18Link link(rig.real_lines);
    start(rig, link, 4);
    Host18 host{link, {}};
    host.bulk_erase(kPic18ChipErase);
    host.select_memory(Pic18Memory::Config, {0x8EA6, 0x8CA6});
    host.multi_panel_mode(false);

    // One row of four words in single-panel mode, the held fourth clock, then the read-back.
    host.select_memory(Pic18Memory::Program, {0x8EA6, 0x9CA6});
    const std::uint16_t words[4] = {0x0E12, 0x6E80, 0xEF00, 0xF000};
    host.set_table_pointer(0x000040);
    for (int j = 0; j < 3; ++j) host.write(kTableWritePostInc2, words[j]);
    host.write(kTableWriteStartProgramming, words[3]);
    host.programming_wait(2);
    host.set_table_pointer(0x000040);
    for (std::uint16_t w : words) {
        const unsigned lo = host.read_post_inc();
        EXPECT_EQ(lo | unsigned(host.read_post_inc()) << 8, w);
    }
    host.set_table_pointer(kPic18DeviceIdAddress);
    const unsigned id_low = host.read_post_inc();
    EXPECT_EQ((id_low | unsigned(host.read_post_inc()) << 8) & 0xFFE0, 0x0420u);
    stop(rig);

    EXPECT_EQ(decode("pic18"), host.log.entries);
    const std::vector<std::string> all = decode("pic18", true);
    EXPECT_EQ(std::count(all.begin(), all.end(), "P10/P11 wait"), 1) << "the erase wait";
    EXPECT_EQ(std::count(all.begin(), all.end(), "P9 hold"), 1) << "the programming hold";
}

} // namespace
} // namespace korvane
