#pragma once
// Shared helpers of the disassembler tests.
#include <memory>
#include <string>
#include <vector>

#include "buffers/pic_buffers.h"
#include "disasm/disassembler.h"

namespace korvane::test {

// A cleared (blank) image of the device, on the heap: images are large.
inline std::unique_ptr<PicImage> blank_image(int device) {
    auto image = std::make_unique<PicImage>();
    clear_pic_image(*image, device);
    return image;
}

inline ListingOptions options(Radix radix, bool fuses, bool offset, bool opcode) {
    ListingOptions o;
    o.radix = radix;
    o.show_fuses = fuses;
    o.show_offset = offset;
    o.show_opcode = opcode;
    return o;
}

inline std::string blanks(std::size_t n) { return std::string(n, ' '); }

} // namespace korvane::test
