#include "buffers/eeprom_buffers.h"

#include <algorithm>

#include "eeprom/eeprom_catalogue.h"

namespace korvane {

TEEPromBuffers::TEEPromBuffers() {
    for (auto& p : images_) p = std::make_unique<EEPromImage>();
}

EEPromImage& TEEPromBuffers::operator[](int n) { return *images_[std::clamp(n, 1, 5) - 1]; }
const EEPromImage& TEEPromBuffers::operator[](int n) const { return *images_[std::clamp(n, 1, 5) - 1]; }

void clear_eeprom_image(EEPromImage& image, int type_index) {
    std::fill_n(image.bytes.begin(), eeprom_type(type_index).last_address + 1, std::uint8_t(0xFF));
    image.empty = true;
}

} // namespace korvane
