#pragma once
// Renders a built slot table as the lines of an assembler source with fixed columns.
#include <string>
#include <vector>

namespace korvane {

class TDisassembler;

// Column widths, left to right. A longer text is not cut: it pushes the next columns right.
constexpr std::size_t kAddressColumn = 8;
constexpr std::size_t kOpcodeColumn = 8;
constexpr std::size_t kLabelColumn = 12;
constexpr std::size_t kMnemonicColumn = 10;
constexpr std::size_t kOperandColumn = 10;

std::vector<std::string> render_listing(const TDisassembler& dis);

// Removes trailing blanks but keeps the first character, so a blank line stays one blank.
std::string trim_listing_line(std::string line);

} // namespace korvane
