#include "card/setup_loader.h"

#include <cstring>

#include "files/pic_hex_reader.h"
#include "util/resources.h"

namespace korvane {

namespace {
constexpr int kFirst18FIndex = 4;
constexpr std::string_view kEndRecord = ":00000001FF";
} // namespace

const char* loader_resource_name(int device_index) {
    return device_index < kFirst18FIndex ? kLoader16FResource : kLoader18FResource;
}

std::string loader_text(int device_index) {
    const auto bytes = embedded_resource(loader_resource_name(device_index));
    const char* data = reinterpret_cast<const char*>(bytes.data());
    const void* zero = bytes.empty() ? nullptr : std::memchr(data, 0, bytes.size());
    const std::size_t length = zero ? std::size_t(static_cast<const char*>(zero) - data) : bytes.size();
    return std::string(data, length);
}

bool LoaderTextReader::next_line(std::string& line) {
    if (pos_ >= text_.size()) return false;
    const std::size_t cr = text_.find('\r', pos_);
    if (cr == std::string::npos) return false;
    line = text_.substr(pos_, cr - pos_);
    pos_ = cr + 2;
    return true;
}

void load_loader_text(std::string_view text, PicImage& image, int device_index) {
    const bool empty = image.empty;
    clear_pic_image(image, device_index);
    image.empty = empty;
    if (text.empty()) return;
    LoaderTextReader reader{std::string(text)};
    std::uint32_t upper = 0;
    std::string line;
    while (reader.next_line(line) && line != kEndRecord)
        upper = parse_pic_record(line, upper, image, device_index, true);
}

void load_loader_image(PicImage& image, int device_index) {
    load_loader_text(loader_text(device_index), image, device_index);
}

} // namespace korvane
