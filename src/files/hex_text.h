#pragma once
// Hex text as the HEX files and the grids use it. Reading never fails: any character that is not
// a hex digit counts as 0, and digits missing at the end of a text count as 0, so blank text is 0.
// Output is upper-case.
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

unsigned hex_digit_value(char c);

// Two-character byte text and four-character word text (high byte first).
std::uint8_t hex_byte(std::string_view text);
std::uint16_t hex_word(std::string_view text);

// The byte or word whose text starts at 1-based character position `pos` of a line; characters
// past the end of the line count as missing.
std::uint8_t hex_byte_at(std::string_view line, std::size_t pos);
std::uint16_t hex_word_at(std::string_view line, std::size_t pos);

void append_hex_byte(std::string& out, std::uint8_t value);
void append_hex_word(std::string& out, std::uint16_t value);
std::string hex_byte_text(std::uint8_t value);
std::string hex_word_text(std::uint16_t value);

} // namespace korvane
