#pragma once
// Blank images on the heap (they are large) and the device indices the file tests use.
#include <initializer_list>
#include <memory>
#include <vector>

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

// The values at the given indices of an image area, for comparing several cells at once.
template <class Area>
std::vector<int> at(const Area& area, std::initializer_list<std::size_t> indices) {
    std::vector<int> values;
    for (auto i : indices) values.push_back(int(area.at(i)));
    return values;
}
using Values = std::vector<int>;

} // namespace korvane::test
