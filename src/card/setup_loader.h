#pragma once
// SetupLoader: the two loader images the program carries (one for the 16F cards, one for the
// 18F card) and their loading into the active PIC buffer. The images are Intel HEX text compiled
// into the program under the names "UNIVERSAL_LOADER16F" and "UNIVERSAL_LOADER18F".
#include <cstddef>
#include <string>
#include <string_view>

#include "buffers/pic_buffers.h"

namespace korvane {

inline constexpr const char* kLoader16FResource = "UNIVERSAL_LOADER16F";
inline constexpr const char* kLoader18FResource = "UNIVERSAL_LOADER18F";

// The resource name of the loader for a PIC catalogue index (below 4: the 16F loader).
const char* loader_resource_name(int device_index);

// The loader text for the device: up to the resource's end or its first zero byte; empty when
// the resource is missing or empty.
std::string loader_text(int device_index);

// Reads a text line by line: a line ends at CR, and the LF after it is skipped.
class LoaderTextReader {
public:
    explicit LoaderTextReader(std::string text = {}) : text_(std::move(text)) {}
    // The characters before the next CR, or false when no CR follows the position.
    bool next_line(std::string& line);
    void rewind() { pos_ = 0; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
    std::size_t pos_ = 0;   // 0-based
};

// Clears the image to the blank values of the device (the empty flag untouched), then stores
// the records of `text` up to the end record with the record parser in loader mode. Record
// checksums are not examined.
void load_loader_text(std::string_view text, PicImage& image, int device_index);
// The same with the device's own loader image.
void load_loader_image(PicImage& image, int device_index);

} // namespace korvane
