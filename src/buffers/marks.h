#pragma once
// Edit marks as stored with a buffer: byte i holds cells 8i..8i+7, first cell in the most
// significant bit; an empty string means no marks.
#include <string>
#include <vector>

namespace korvane {

// The string holds cells/8 bytes; a partial last byte is kept too rather than dropping marks.
std::string pack_marks(const std::vector<bool>& marks);
// Cells beyond the string read as unmarked; bits beyond `cells` are ignored.
std::vector<bool> unpack_marks(const std::string& packed, std::size_t cells);

} // namespace korvane
