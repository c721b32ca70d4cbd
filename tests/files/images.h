#pragma once
// Blank images on the heap (they are large) and the device indices the file tests use.
#include <memory>

#include "buffers/eeprom_buffers.h"
#include "buffers/pic_buffers.h"

namespace korvane::test {

constexpr int k16F84 = 0, k16F628 = 1, k16F877 = 3, k18F242 = 4, k18F452 = 10;
constexpr int k24C01 = 0, k24C02 = 1, k24C16 = 4, k24C256 = 9, k24C512 = 10;

inline std::unique_ptr<PicImage> blank_pic(int device) {
    auto img = std::make_unique<PicImage>();
    clear_pic_image(*img, device);
    return img;
}

inline std::unique_ptr<EEPromImage> blank_eeprom(int type) {
    auto img = std::make_unique<EEPromImage>();
    clear_eeprom_image(*img, type);
    return img;
}

} // namespace korvane::test
