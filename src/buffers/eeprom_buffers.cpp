#include "buffers/eeprom_buffers.h"

#include <algorithm>

#include "eeprom/eeprom_catalogue.h"

namespace korvane {

TEEPromBuffers::TEEPromBuffers() {
    for (auto& p : images_) p = std::make_unique<EEPromImage>();
}

EEPromImage& TEEPromBuffers::operator[](int n) { return *images_[std::clamp(n, 1, 5) - 1]; }
const EEPromImage& TEEPromBuffers::operator[](int n) const { return *images_[std::clamp(n, 1, 5) - 1]; }

void clear_eeprom_image_to(EEPromImage& image, std::uint32_t last_address) {
    const std::size_t count = std::min<std::size_t>(std::size_t(last_address) + 1, kEEPromImageBytes);
    std::fill_n(image.bytes.begin(), count, std::uint8_t(0xFF));
    image.empty = true;
}

void clear_eeprom_image(EEPromImage& image, int type_index) {
    clear_eeprom_image_to(image, eeprom_type(type_index).last_address);
}

void clear_all_eeprom_buffers(TEEPromBuffers& buffers, int type_index) {
    for (int n = 1; n <= 5; ++n) {
        EEPromImage& img = buffers[n];
        clear_eeprom_image(img, type_index);
        img.marks.clear();
        img.file_name.clear();
    }
}

} // namespace korvane
