#include "buffers/marks.h"

namespace korvane {

std::string pack_marks(const std::vector<bool>& marks) {
    std::string out((marks.size() + 7) / 8, '\0');
    for (std::size_t i = 0; i < marks.size(); ++i)
        if (marks[i]) out[i / 8] = char(static_cast<unsigned char>(out[i / 8]) | (0x80u >> (i % 8)));
    return out;
}

std::vector<bool> unpack_marks(const std::string& packed, std::size_t cells) {
    std::vector<bool> out(cells, false);
    for (std::size_t i = 0; i < cells && i / 8 < packed.size(); ++i)
        out[i] = (static_cast<unsigned char>(packed[i / 8]) >> (7 - i % 8)) & 1;
    return out;
}

} // namespace korvane
