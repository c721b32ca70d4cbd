// HEX files written by gpasm from tests/data/*.asm: every area is checked against the source.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "common/test_env.h"
#include "files/pic_files.h"
#include "files/pic_hex_reader.h"
#include "files/pic_hex_writer.h"
#include "pic/pic_catalogue.h"
#include "recording_host.h"

using namespace korvane;

namespace {

#ifdef KORVANE_GPASM_FIXTURES
const std::string kFixtures = KORVANE_GPASM_FIXTURES;
#else
const std::string kFixtures;
#endif

struct Fixture {
    const char* name;
    int device;
};

std::unique_ptr<PicImage> load(const Fixture& f) {
    auto img = std::make_unique<PicImage>();
    clear_pic_image(*img, f.device);
    EXPECT_EQ(read_pic_hex_file(kFixtures + "/" + f.name + ".hex", *img, f.device), HexReadResult::Ok);
    return img;
}

// Code words other than the listed ones stay blank.
void expect_code(const PicImage& img, int device, std::map<std::size_t, std::uint16_t> words) {
    const TPicDevice& dev = pic_device(device);
    for (std::size_t k = 0; k < dev.code_size; ++k) {
        const auto it = words.find(k);
        ASSERT_EQ(img.code[k], it == words.end() ? std::uint16_t(dev.program_blank) : it->second) << "word " << k;
    }
}

template <class F>
void expect_data(const PicImage& img, int device, F byte_k) {
    for (std::size_t k = 0; k < pic_device(device).data_size; ++k)
        ASSERT_EQ(img.data[k], std::uint8_t(byte_k(k))) << "data byte " << k;
}

class GpasmFixtures : public ::testing::Test {
protected:
    void SetUp() override {
        if (kFixtures.empty()) GTEST_SKIP() << "gpasm not available";
    }
};

} // namespace

TEST_F(GpasmFixtures, Pic16F84) {
    const Fixture f{"p16f84", 0};
    auto img = load(f);
    expect_code(*img, f.device, {{0, 0x2805}, {1, 0x0000}, {4, 0x0009}, {5, 0x3055}, {6, 0x0063}, {0x3FF, 0x1ABC}});
    EXPECT_EQ(img->config[0], 1);
    EXPECT_EQ(img->config[1], 2);
    EXPECT_EQ(img->config[2], 3);
    EXPECT_EQ(img->config[3], 4);
    EXPECT_EQ(img->config[7], 0x3FF1);
    expect_data(*img, f.device, [](std::size_t k) { return (3 * k + 1) & 0xFF; });
}

TEST_F(GpasmFixtures, Pic16F628) {
    const Fixture f{"p16f628", 1};
    auto img = load(f);
    expect_code(*img, f.device, {{0, 0x2805}, {4, 0x0009}, {5, 0x3055}, {0x7FF, 0x2ABC}});
    EXPECT_EQ(img->config[0], 0xA);
    EXPECT_EQ(img->config[1], 0x5);
    EXPECT_EQ(img->config[2], 0xC);
    EXPECT_EQ(img->config[3], 0x3);
    EXPECT_EQ(img->config[7], 0x3F21);
    expect_data(*img, f.device, [](std::size_t k) { return 255 - k; });
}

TEST_F(GpasmFixtures, Pic16F877) {
    const Fixture f{"p16f877", 3};
    auto img = load(f);
    expect_code(*img, f.device, {{0, 0x2805}, {4, 0x0009}, {0x1000, 0x3055}, {0x1FFF, 0x3ABC}});
    EXPECT_EQ(img->config[0], 0x0);
    EXPECT_EQ(img->config[1], 0xF);
    EXPECT_EQ(img->config[2], 0x0);
    EXPECT_EQ(img->config[3], 0xE);
    EXPECT_EQ(img->config[7], 0x3F39);
    expect_data(*img, f.device, [](std::size_t k) { return (7 * k + 0x10) & 0xFF; });
}

TEST_F(GpasmFixtures, Pic18F452) {
    const Fixture f{"p18f452", 10};
    auto img = load(f);
    expect_code(*img, f.device, {{0, 0xEF04}, {1, 0xF000}, {4, 0x0000}, {5, 0x0C5A}, {16382, 0xEF04}, {16383, 0xF000}});
    const std::array<std::uint8_t, 8> ids{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    EXPECT_EQ(img->id, ids);
    // CONFIG OSC = HS, PWRT = ON, BOR = OFF, WDT = OFF, LVP = OFF, CP0 = OFF; bytes the part
    // does not have (CONFIG1L, 3L, 4H) stay blank.
    const std::array<std::uint16_t, 7> config{0x22FF, 0x0E0C, 0x01FF, 0xFF81, 0xC00F, 0xE00F, 0x400F};
    for (std::size_t k = 0; k < 7; ++k) EXPECT_EQ(img->config[k], config[k]) << "Config " << k + 1;
    expect_data(*img, f.device, [](std::size_t k) { return k ^ 0xA5; });
}

TEST_F(GpasmFixtures, SaveReloadAndSaveAgainGivesTheSameFile) {
    for (const Fixture f : {Fixture{"p16f84", 0}, Fixture{"p16f628", 1}, Fixture{"p16f877", 3}, Fixture{"p18f452", 10}}) {
        SCOPED_TRACE(f.name);
        auto img = load(f);
        test::TempDir dir;
        test::RecordingHost host;
        SettingsRecord settings{};
        const std::string out = (dir.path() / "out.hex").string();
        ASSERT_TRUE(save_pic_file({*img, f.device, settings, host}, out));
        auto back = std::make_unique<PicImage>();
        clear_pic_image(*back, f.device);
        ASSERT_TRUE(open_pic_file({*back, f.device, settings, host}, out));
        EXPECT_EQ(back->code, img->code);
        EXPECT_EQ(back->data, img->data);
        EXPECT_EQ(back->id, img->id);
        for (std::size_t k = 0; k < 8; ++k) {
            const bool written = is_pic18f(f.device) ? k < 7 : (k < 4 || k == 7);
            if (written) {
                EXPECT_EQ(back->config[k], img->config[k]) << k;
            }
        }
        EXPECT_EQ(pic_hex_text(*back, f.device), test::read_file(out));
        EXPECT_TRUE(host.boxes.empty());
    }
}
