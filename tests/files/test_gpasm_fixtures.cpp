// HEX files written by gpasm from tests/data/*.asm: every area is checked against the source, then
// saved, reloaded and saved again.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "common/test_env.h"
#include "files/pic_files.h"
#include "files/pic_hex_reader.h"
#include "files/pic_hex_writer.h"
#include "images.h"
#include "pic/pic_catalogue.h"
#include "common/recording_host.h"

using namespace korvane;
using namespace korvane::test;

namespace {

#ifdef KORVANE_GPASM_FIXTURES
const std::string kFixtures = KORVANE_GPASM_FIXTURES;
#else
const std::string kFixtures;
#endif

struct Fixture {
    const char* name;
    int device;
    std::map<std::size_t, std::uint16_t> code;     // every other word is blank
    std::map<std::size_t, std::uint16_t> config;
    std::array<std::uint8_t, 8> id;                // 18F only
    std::function<std::uint8_t(std::size_t)> data;
};

const Fixture kAll[] = {
    {"p16f84", k16F84, {{0, 0x2805}, {1, 0x0000}, {4, 0x0009}, {5, 0x3055}, {6, 0x0063}, {0x3FF, 0x1ABC}},
     {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {7, 0x3FF1}}, {}, [](std::size_t k) { return std::uint8_t(3 * k + 1); }},
    {"p16f628", k16F628, {{0, 0x2805}, {4, 0x0009}, {5, 0x3055}, {0x7FF, 0x2ABC}},
     {{0, 0xA}, {1, 0x5}, {2, 0xC}, {3, 0x3}, {7, 0x3F21}}, {}, [](std::size_t k) { return std::uint8_t(255 - k); }},
    {"p16f877", k16F877, {{0, 0x2805}, {4, 0x0009}, {0x1000, 0x3055}, {0x1FFF, 0x3ABC}},
     {{0, 0x0}, {1, 0xF}, {2, 0x0}, {3, 0xE}, {7, 0x3F39}}, {}, [](std::size_t k) { return std::uint8_t(7 * k + 0x10); }},
    // CONFIG OSC = XT, PWRT = ON, BOR = ON, BORV = 27, WDT = OFF, CCP2MUX = OFF, LVP = OFF; 16 bytes of
    // data EEPROM, the rest blank.
    {"p18f242", k18F242, {{0, 0xEF10}, {1, 0xF000}, {0x10, 0x0E3C}, {0x11, 0xD7FE}, {0x1FFE, 0xEF10}, {0x1FFF, 0xF000}},
     {{0, 0x21FF}, {1, 0x0E0A}, {2, 0x00FF}, {3, 0xFF81}, {4, 0xC00F}, {5, 0xE00F}, {6, 0x400F}},
     {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, [](std::size_t k) { return std::uint8_t(k < 16 ? 16 - k : 0xFF); }},
    // CONFIG OSC = HS, PWRT = ON, BOR = OFF, WDT = OFF, LVP = OFF, CP0 = OFF; bytes the part does not
    // have (CONFIG1L, 3L, 4H) stay blank.
    {"p18f452", k18F452, {{0, 0xEF04}, {1, 0xF000}, {4, 0x0000}, {5, 0x0C5A}, {16382, 0xEF04}, {16383, 0xF000}},
     {{0, 0x22FF}, {1, 0x0E0C}, {2, 0x01FF}, {3, 0xFF81}, {4, 0xC00F}, {5, 0xE00F}, {6, 0x400F}},
     {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}, [](std::size_t k) { return std::uint8_t(k ^ 0xA5); }},
};

std::unique_ptr<PicImage> load(const Fixture& f) {
    auto img = blank_pic(f.device);
    EXPECT_EQ(read_pic_hex_file(kFixtures + "/" + f.name + ".hex", *img, f.device), HexReadResult::Ok);
    return img;
}

class GpasmFixtures : public ::testing::Test {
protected:
    void SetUp() override {
        if (kFixtures.empty()) GTEST_SKIP() << "gpasm not available";
    }
};

} // namespace

TEST_F(GpasmFixtures, EveryAreaHoldsWhatTheSourceSays) {
    for (const Fixture& f : kAll) {
        SCOPED_TRACE(f.name);
        auto img = load(f);
        const TPicDevice& dev = pic_device(f.device);
        for (std::size_t k = 0; k < dev.code_size; ++k) {
            const auto it = f.code.find(k);
            ASSERT_EQ(img->code[k], it == f.code.end() ? std::uint16_t(dev.program_blank) : it->second) << "word " << k;
        }
        for (const auto& [k, word] : f.config) EXPECT_EQ(img->config[k], word) << "config " << k;
        if (is_pic18f(f.device)) {
            EXPECT_EQ(img->id, f.id);
        }
        for (std::size_t k = 0; k < dev.data_size; ++k) ASSERT_EQ(img->data[k], f.data(k)) << "data byte " << k;
    }
}

TEST_F(GpasmFixtures, SaveReloadAndSaveAgainGivesTheSameFile) {
    for (const Fixture& f : kAll) {
        SCOPED_TRACE(f.name);
        auto img = load(f);
        TempDir dir;
        RecordingHost host;
        SettingsRecord settings{};
        const std::string out = (dir.path() / "out.hex").string();
        ASSERT_TRUE(save_pic_file({*img, f.device, settings, host}, out));
        auto back = blank_pic(f.device);
        ASSERT_TRUE(open_pic_file({*back, f.device, settings, host}, out));
        EXPECT_EQ(back->code, img->code);
        EXPECT_EQ(back->data, img->data);
        EXPECT_EQ(back->id, img->id);
        for (const auto& entry : f.config) EXPECT_EQ(back->config[entry.first], img->config[entry.first]) << entry.first;
        EXPECT_EQ(pic_hex_text(*back, f.device), test::read_file(out));
        EXPECT_TRUE(host.boxes.empty());
    }
}
