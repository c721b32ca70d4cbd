// The 18F tasks end to end: the real line interface on both backends against the simulated 18F
// chips, on the virtual clock.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "files/pic_hex_reader.h"
#include "files/pic_hex_writer.h"
#include "pic/pic18_ops.h"
#include "pic/pic_catalogue.h"
#include "sim_rig.h"
#include "common/test_env.h"

namespace korvane {
namespace {

using test::SimRig;

struct Case {
    int device;
    bool direct;
    bool skip_blank;   // block by block instead of the multi-panel write
};

class Pic18OnBench : public ::testing::TestWithParam<Case> {};

// A configuration that protects nothing: the erased bytes, a crystal oscillator.
void plain_config(PicImage& image) {
    for (int k = 0; k < 7; ++k) image.config[std::size_t(k)] = 0xFFFF;
    image.config[0] = 0x22FF;
}

// The first lines of a box and whether its last two are the time stamps.
std::vector<std::string> head(const test::Box& box, std::size_t n) {
    return std::vector<std::string>(box.lines.begin(), box.lines.begin() + std::ptrdiff_t(std::min(n, box.lines.size())));
}
bool has_times(const test::Box& box) {
    const auto& l = box.lines;
    return l.size() >= 2 && l[l.size() - 2].rfind("Start Time : ", 0) == 0 && l.back().rfind("End  Time : ", 0) == 0;
}

// Every part through the four window commands: program (with the verify after it), read, verify,
// erase. Each part runs one backend and one code-phase form; every pairing comes up on a 16 KB and
// on a 32 KB part.
TEST_P(Pic18OnBench, ProgramReadVerifyAndErase) {
    const Case c = GetParam();
    SimRig rig(c.device, c.direct);
    const std::string title = pic_device_title(c.device);
    rig.settings.skip_3fff = c.skip_blank;
    rig.settings.verify_after = 1;
    std::mt19937 rng(unsigned(21 + c.device));
    for (int i = 0; i < rig.pic.code_size; ++i) rig.image->code[std::size_t(i)] = std::uint16_t(rng());
    for (int i = 0; i < 200; ++i) rig.image->code[std::size_t(1000 + i)] = 0xFFFF;   // blocks to skip
    for (int i = 0; i < rig.pic.data_size; ++i) rig.image->data[std::size_t(i)] = std::uint8_t(rng());
    for (auto& b : rig.image->id) b = std::uint8_t(rng());
    plain_config(*rig.image);
    rig.image->config[1] = 0x0E0D;   // brown-out at 2.7 V, watchdog 1:64
    rig.image->config[3] = 0xFF81;   // no low-voltage programming
    const auto programmed = std::make_unique<PicImage>(*rig.image);

    ASSERT_EQ(rig.run(PicTask::Program), TaskResult::Done) << rig.host.boxes.front().lines[0];
    ASSERT_EQ(rig.host.boxes.size(), 1u);   // the verify after it reports for both
    EXPECT_EQ(head(rig.host.boxes[0], 3),
              (std::vector<std::string>{title, "Programming and Verify", "Successfully Completed"}));
    EXPECT_TRUE(has_times(rig.host.boxes[0]));
    EXPECT_EQ(rig.host.boxes[0].lines.size(), 5u);
    char id[8];
    std::snprintf(id, sizeof id, "%04X", unsigned(pic_device(c.device).device_id));
    EXPECT_EQ(rig.view.id, id);

    clear_pic_image(*rig.image, c.device);
    ASSERT_EQ(rig.run(PicTask::Read), TaskResult::Done);
    EXPECT_EQ(rig.host.boxes.size(), 1u);   // reading shows nothing
    EXPECT_EQ(rig.image->code, programmed->code);
    EXPECT_EQ(rig.image->data, programmed->data);
    EXPECT_EQ(rig.image->id, programmed->id);
    for (int k = 0; k < 7; ++k) {
        const std::uint16_t mask = Pic18Ops::config_compare_mask(c.device, k);
        EXPECT_EQ(rig.image->config[std::size_t(k)] & mask, programmed->config[std::size_t(k)] & mask) << k;
    }

    *rig.image = *programmed;
    ASSERT_EQ(rig.run(PicTask::Verify), TaskResult::Done);
    EXPECT_EQ(head(rig.host.boxes.back(), 2), (std::vector<std::string>{title, "Verify Successfully Completed"}));
    EXPECT_TRUE(has_times(rig.host.boxes.back()));

    ASSERT_EQ(rig.run(PicTask::Erase), TaskResult::Done);
    EXPECT_EQ(rig.host.boxes.back().lines, (std::vector<std::string>{title, "PIC Erasing", "Successfully Completed"}));
    EXPECT_EQ(rig.run(PicTask::Verify), TaskResult::Failed);
    EXPECT_EQ(rig.host.boxes.back().lines,
              (std::vector<std::string>{title + " ERROR!          PicZone = Program", " PIC Verify",
                                        "Not Successfully Completed"}));
    ASSERT_EQ(rig.run(PicTask::Read), TaskResult::Done);
    for (int i = 0; i < rig.pic.code_size; ++i) ASSERT_EQ(rig.image->code[std::size_t(i)], 0xFFFF) << i;
    for (int i = 0; i < rig.pic.data_size; ++i) ASSERT_EQ(rig.image->data[std::size_t(i)], 0xFF) << i;
    for (auto b : rig.image->id) EXPECT_EQ(b, 0xFF);
    EXPECT_EQ(rig.host.boxes.size(), 4u);
    EXPECT_EQ(sim::SimBench::instance().counters().timing_violations, 0u);
}

INSTANTIATE_TEST_SUITE_P(AllDevices, Pic18OnBench,
                         ::testing::Values(Case{4, true, false}, Case{5, false, false}, Case{6, false, true},
                                           Case{7, true, true}, Case{8, true, true}, Case{9, false, true},
                                           Case{10, false, false}, Case{11, true, false}),
                         [](const auto& info) {
                             const std::string name = pic_device(info.param.device).name.str();
                             return name.substr(0, name.find(' ')) + (info.param.direct ? "_direct" : "_api") +
                                    (info.param.skip_blank ? "_blocks" : "_panels");
                         });

// Program Config of every part: the ID bytes and the configuration (CCP2MX where the part has it)
// come back, program memory stays erased.
TEST(Pic18OnBenchDevices, EveryPartTakesItsIdAndConfiguration) {
    for (int device = 4; device < 12; ++device) {
        SCOPED_TRACE(device);
        SimRig rig(device, device % 2 == 0);
        rig.image->id = {1, 2, 3, 4, 5, 6, 7, 8};
        plain_config(*rig.image);
        rig.image->config[2] = 0x0000;
        ASSERT_EQ(rig.run(PicTask::Erase), TaskResult::Done);
        ASSERT_EQ(rig.run(PicTask::ProgramConfig), TaskResult::Done) << rig.host.boxes.back().lines[0];
        EXPECT_EQ(head(rig.host.boxes.back(), 3),
                  (std::vector<std::string>{pic_device_title(device), "PIC Programming", "Successfully Completed"}));
        EXPECT_TRUE(has_times(rig.host.boxes.back()));
        clear_pic_image(*rig.image, device);
        ASSERT_EQ(rig.run(PicTask::Read), TaskResult::Done);
        EXPECT_EQ(rig.image->id, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
        EXPECT_EQ(rig.image->config[0], 0x2200);
        EXPECT_EQ(rig.image->config[2], 0x0000);   // erased, the XX2 parts read 0100
        EXPECT_EQ(rig.image->code[std::size_t(rig.pic.code_size - 1)], 0xFFFF);
        EXPECT_EQ(std::stoul(rig.view.id, nullptr, 16), pic_device(device).device_id);
    }
}

TEST(Pic18OnBenchAreas, EachAreaProgramsAloneAndLeavesTheOthers) {
    SimRig rig(4, false);
    rig.settings.skip_3fff = 0;
    rig.settings.write_verify = 0;   // the read at the end checks
    rig.image->code[0x1000] = 0x1234;   // panel 2
    rig.image->data[7] = 0x77;
    rig.image->id[0] = 0x11;
    plain_config(*rig.image);
    rig.image->config[3] = 0xFF81;      // LVP off
    ASSERT_EQ(rig.run(PicTask::Program), TaskResult::Done);

    rig.image->code[0x1000] = 0x0034;
    rig.image->data[7] = 0x70;
    ASSERT_EQ(rig.run(PicTask::ProgramCode), TaskResult::Done);
    ASSERT_EQ(rig.run(PicTask::ProgramConfig), TaskResult::Done);
    clear_pic_image(*rig.image, 10);
    ASSERT_EQ(rig.run(PicTask::Read), TaskResult::Done);
    EXPECT_EQ(rig.image->code[0x1000], 0x0034);
    EXPECT_EQ(rig.image->data[7], 0x77);   // the data area was not programmed again
    EXPECT_EQ(rig.image->id[0], 0x11);
    EXPECT_EQ(rig.image->config[3], 0x0081);
    ASSERT_EQ(rig.run(PicTask::Erase), TaskResult::Done);
    rig.image->data[7] = 0x70;
    ASSERT_EQ(rig.run(PicTask::ProgramData), TaskResult::Done);
    ASSERT_EQ(rig.run(PicTask::Read), TaskResult::Done);
    EXPECT_EQ(rig.image->code[0x1000], 0xFFFF);
    EXPECT_EQ(rig.image->data[7], 0x70);
    for (const auto& box : rig.host.boxes) EXPECT_EQ(box.kind, MsgKind::Information) << box.lines[0];
}

// Byte address -> value of every data byte in an INHX32 file.
std::map<std::uint32_t, std::uint8_t> hex_bytes(const std::string& text) {
    std::map<std::uint32_t, std::uint8_t> bytes;
    std::istringstream in(text);
    std::string line;
    std::uint32_t base = 0;
    auto byte_at = [&](std::size_t i) { return std::uint8_t(std::stoul(line.substr(i, 2), nullptr, 16)); };
    while (std::getline(in, line)) {
        if (line.size() < 11 || line[0] != ':') continue;
        const unsigned count = byte_at(1), type = byte_at(7);
        const std::uint32_t offset = std::uint32_t(byte_at(3) << 8 | byte_at(5));
        if (type == 4) base = std::uint32_t(byte_at(9) << 8 | byte_at(11)) << 16;
        if (type != 0) continue;
        for (unsigned k = 0; k < count; ++k) bytes[base + offset + k] = byte_at(9 + 2 * k);
    }
    return bytes;
}

// The byte of the image at a file address (data EEPROM: one byte per 16-bit file word).
std::uint8_t image_byte(const PicImage& image, std::uint32_t a) {
    auto half = [](std::uint16_t w, std::uint32_t at) { return std::uint8_t(at & 1 ? w >> 8 : w); };
    if (a < 0x200000) return half(image.code[a / 2], a);
    if (a < 0x300000) return image.id[a - 0x200000];
    if (a < 0xF00000) return half(image.config[(a - 0x300000) / 2], a);
    return (a & 1) ? 0 : image.data[(a - 0xF00000) / 2];
}

#ifdef KORVANE_GPASM_FIXTURES
// Images gpasm wrote for a two-panel and a four-panel part (tests/data/p18f242.asm, p18f452.asm).
TEST(Pic18OnBenchFiles, AnImageGpasmWroteReadsBackByteForByteAndItsSaveLoadsBackUnchanged) {
    for (const auto& [file, device] : {std::pair{"p18f242", 4}, std::pair{"p18f452", 10}}) {
        SCOPED_TRACE(file);
        const std::string hex = test::read_file(std::string(KORVANE_GPASM_FIXTURES) + "/" + file + ".hex");
        ASSERT_FALSE(hex.empty());
        SimRig rig(device, device == 10);
        ASSERT_EQ(read_pic_hex_text(hex, *rig.image, device), HexReadResult::Ok);
        ASSERT_EQ(rig.run(PicTask::Program), TaskResult::Done) << rig.host.boxes.front().lines[0];

        clear_pic_image(*rig.image, device);
        ASSERT_EQ(rig.run(PicTask::Read), TaskResult::Done);
        const auto bytes = hex_bytes(hex);
        ASSERT_GT(bytes.size(), 40u);
        for (const auto& [address, value] : bytes)
            ASSERT_EQ(image_byte(*rig.image, address), value) << std::hex << address;

        const std::string saved = pic_hex_text(*rig.image, device);
        auto reloaded = std::make_unique<PicImage>();
        clear_pic_image(*reloaded, device);
        ASSERT_EQ(read_pic_hex_text(saved, *reloaded, device), HexReadResult::Ok);
        EXPECT_EQ(reloaded->code, rig.image->code);
        EXPECT_EQ(reloaded->data, rig.image->data);
        EXPECT_EQ(reloaded->id, rig.image->id);
        for (int k = 0; k < 7; ++k)
            EXPECT_EQ(reloaded->config[std::size_t(k)], rig.image->config[std::size_t(k)]) << k;
        EXPECT_EQ(pic_hex_text(*reloaded, device), saved);
    }
}
#endif

TEST(Pic18Faults, StuckBitFailsAtItsBlockAfterExactlyMaxRetries) {
    SimRig rig(10, false, "stuck=0x1005:0x0100");   // word 0x1005: byte 0x200B, panel 2
    rig.settings.skip_3fff = 0;
    rig.settings.current_programmer().max_retries = 3;
    rig.image->code[0x1005] = 0x0100;
    EXPECT_EQ(rig.run(PicTask::Program), TaskResult::Failed);
    ASSERT_EQ(rig.host.boxes.size(), 2u);
    EXPECT_EQ(rig.host.boxes[0].lines,
              (std::vector<std::string>{"PIC 18F452  ERROR!            Offset = 02008h", "Write Program Failure",
                                        "Max Retries Exceeded"}));
    EXPECT_EQ(rig.host.boxes[1].lines,
              (std::vector<std::string>{"PIC 18F452  ERROR!", "PIC Programming", "Not Successfully Completed"}));
}

// WRTC programmed in CONFIG6H locks the configuration bytes written after it (CONFIG7L/H): the
// read-back of word 6 keeps differing and is reported at its device address until a chip erase.
TEST(Pic18Faults, ConfigurationLockedByItsOwnWriteProtectionFailsAtTheLockedWord) {
    SimRig rig(10, false);
    rig.settings.current_programmer().max_retries = 2;
    plain_config(*rig.image);
    rig.image->config[5] = 0xDFFF;   // WRTC on
    rig.image->config[6] = 0x0000;   // table reads of every block protected
    EXPECT_EQ(rig.run(PicTask::ProgramConfig), TaskResult::Failed);
    ASSERT_EQ(rig.host.boxes.size(), 2u);
    EXPECT_EQ(rig.host.boxes[0].kind, MsgKind::Error);
    EXPECT_EQ(rig.host.boxes[0].lines,
              (std::vector<std::string>{"PIC 18F452  ERROR!            Offset = 0000Ch", "Write Config Failure",
                                        "Max Retries Exceeded"}));
    EXPECT_EQ(rig.host.boxes[1].lines,
              (std::vector<std::string>{"PIC 18F452  ERROR!", "PIC Programming", "Not Successfully Completed"}));

    ASSERT_EQ(rig.run(PicTask::Erase), TaskResult::Done);
    rig.image->config[5] = 0xFFFF;
    EXPECT_EQ(rig.run(PicTask::ProgramConfig), TaskResult::Done) << rig.host.boxes.back().lines[0];
}

// An abort at any pump of a task on the real lines: one notice, the port closed with the target
// off, the busy period over, and the chip answers the next task. The device is shrunk so a sweep
// over the pumps stays quick.
TEST(Pic18Abort, EveryPumpOfEveryTaskOnBothBackends) {
    for (bool direct : {true, false}) {
        SimRig rig(6, direct);
        auto& bench = sim::SimBench::instance();
        rig.settings.verify_after = 1;   // Program pumps through its verify too
        rig.pic.code_size = 64;
        rig.pic.data_size = 12;
        rig.fill_random(3);
        for (int skip = 0; skip < 2; ++skip) {
            rig.settings.skip_3fff = std::uint8_t(skip);
            for (PicTask task : {PicTask::Read, PicTask::Verify, PicTask::Program, PicTask::ProgramCode,
                                 PicTask::ProgramData}) {
                SCOPED_TRACE(std::to_string(int(task)) + (direct ? " direct" : " api") + (skip ? " blocks" : ""));
                rig.host.on_pump = nullptr;
                rig.host.pumps = 0;
                ASSERT_NE(rig.run(task), TaskResult::NotRun);
                const int total = rig.host.pumps;   // the first and the last belong to the busy period
                const int stride = std::max(1, total / 24);
                for (int n = 2; n < total; n += (n < 5 || n > total - 5) ? 1 : stride) {
                    SCOPED_TRACE(n);
                    rig.host.boxes.clear();
                    rig.host.pumps = 0;
                    rig.host.at_pump = n;
                    rig.host.on_pump = [&] { rig.runner.abort(); };
                    ASSERT_EQ(rig.run(task), TaskResult::Aborted);
                    ASSERT_EQ(rig.host.boxes.size(), 1u);
                    ASSERT_EQ(rig.host.boxes[0].kind, MsgKind::Warning);
                    ASSERT_EQ(rig.host.boxes[0].lines, (std::vector<std::string>{"PIC 18F252 ", "Process Aborted"}));
                    ASSERT_FALSE(bench.sim_serial().is_open());
                    ASSERT_FALSE(bench.board().brk());   // no VPP
                    ASSERT_EQ(rig.pic.task_running, 0);
                    ASSERT_FALSE(rig.runner.busy());
                }
            }
        }
        rig.host.on_pump = nullptr;
        rig.host.boxes.clear();
        ASSERT_EQ(rig.run(PicTask::Program), TaskResult::Done);
        EXPECT_EQ(rig.host.boxes.back().lines[1], "Programming and Verify");
        EXPECT_EQ(bench.counters().timing_violations, 0u);
    }
}

} // namespace
} // namespace korvane
