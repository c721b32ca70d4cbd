#pragma once
// Shared helpers of the disassembler tests.
#include <memory>
#include <string>
#include <vector>

#include "buffers/pic_buffers.h"
#include "files/images.h"
#include "disasm/disassembler.h"

namespace korvane::test {

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
