// Property tests: random images saved and loaded back for every device and format.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "eeprom/eeprom_catalogue.h"
#include "files/eeprom_image_files.h"
#include "files/pic_hex_reader.h"
#include "files/pic_hex_writer.h"
#include "images.h"
#include "pic/pic_catalogue.h"

using namespace korvane;
using korvane::test::blank_eeprom;
using korvane::test::blank_pic;

namespace {

std::unique_ptr<PicImage> random_pic_image(int device, std::mt19937& rng) {
    auto img = blank_pic(device);
    const TPicDevice& dev = pic_device(device);
    const std::uint16_t mask = is_pic18f(device) ? 0xFFFF : 0x3FFF;
    for (std::size_t k = 0; k < dev.code_size; ++k) img->code[k] = std::uint16_t(rng() & mask);
    for (std::size_t k = 0; k < dev.data_size; ++k) img->data[k] = std::uint8_t(rng());
    for (auto& w : img->config) w = std::uint16_t(rng() & mask);
    for (auto& b : img->id) b = std::uint8_t(rng());
    return img;
}

} // namespace

TEST(RoundTrip, EveryPicDeviceRestoresWhatItsFileHolds) {
    std::mt19937 rng(1234);
    for (int device = 0; device < kPicDeviceCount; ++device) {
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(pic_device_title(device));
            auto img = random_pic_image(device, rng);
            const std::string text = pic_hex_text(*img, device);

            auto back = blank_pic(device);
            std::istringstream in(text);
            ASSERT_EQ(read_pic_hex(in, *back, device), HexReadResult::Ok);
            EXPECT_EQ(back->code, img->code);
            EXPECT_EQ(back->data, img->data);
            if (is_pic18f(device)) {
                EXPECT_EQ(back->id, img->id);
                for (std::size_t k = 0; k < 7; ++k) EXPECT_EQ(back->config[k], img->config[k]);
            } else {
                for (std::size_t k : {0u, 1u, 2u, 3u, 7u}) EXPECT_EQ(back->config[k], img->config[k]);
            }
            EXPECT_EQ(pic_hex_text(*back, device), text);
        }
    }
}

TEST(RoundTrip, EveryEEPromTypeInBothFormats) {
    std::mt19937 rng(99);
    for (int type = 0; type < kEEPromTypeCount; ++type) {
        SCOPED_TRACE(eeprom_device_title(type));
        auto img = blank_eeprom(type);
        for (std::size_t k = 0; k < eeprom_type(type).size; ++k) img->bytes[k] = std::uint8_t(rng());

        const std::string bin = eeprom_bin_bytes(*img, type), hex = eeprom_hex_text(*img, type);
        EXPECT_EQ(bin.size(), eeprom_type(type).size);
        auto from_bin = blank_eeprom(type), from_hex = blank_eeprom(type);
        std::istringstream bin_in(bin), hex_in(hex);
        read_eeprom_bin(bin_in, *from_bin, type);
        ASSERT_EQ(read_eeprom_hex(hex_in, *from_hex, type), HexReadResult::Ok);
        EXPECT_EQ(from_bin->bytes, img->bytes);
        EXPECT_EQ(from_hex->bytes, img->bytes);
        EXPECT_EQ(eeprom_hex_text(*from_hex, type), hex);
    }
}
