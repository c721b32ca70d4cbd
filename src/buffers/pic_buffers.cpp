#include "buffers/pic_buffers.h"

#include <algorithm>

#include "pic/pic_catalogue.h"

namespace korvane {

TPicBuffers::TPicBuffers() {
    for (auto& p : images_) p = std::make_unique<PicImage>();
}

PicImage& TPicBuffers::operator[](int n) { return *images_[std::clamp(n, 1, kBufferCount) - 1]; }
const PicImage& TPicBuffers::operator[](int n) const {
    return *images_[std::clamp(n, 1, kBufferCount) - 1];
}

void clear_pic_image(PicImage& image, int device_index) {
    const TPicDevice& dev = pic_device(device_index);
    std::fill_n(image.code.begin(), std::min<std::size_t>(dev.code_size, kPicCodeWords),
                std::uint16_t(dev.program_blank));
    std::fill_n(image.data.begin(), std::min<std::size_t>(dev.data_size, kPicDataBytes),
                std::uint8_t(dev.data_blank));
    std::fill_n(image.config.begin(), 7, std::uint16_t(dev.config_blank));
    image.id.fill(dev.id_blank);
    if (is_pic16f(device_index)) image.config[7] = pic_cleared_config_word(device_index);
    image.empty = true;
}

void clear_all_pic_buffers(TPicBuffers& buffers, int device_index) {
    for (int n = 1; n <= kBufferCount; ++n) {
        PicImage& img = buffers[n];
        clear_pic_image(img, device_index);
        img.code_marks.clear();
        img.data_marks.clear();
        img.file_name.clear();
    }
}

} // namespace korvane
