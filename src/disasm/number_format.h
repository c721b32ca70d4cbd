#pragma once
// Number texts of the assembler listing: the "Radix Type" option picks the notation. There is no
// closing apostrophe after D', O' and B' numbers, as the listing has always written them.
#include <cstdint>
#include <string>

namespace korvane {

enum class Radix : std::uint8_t { Decimal = 0, Hexadecimal = 1, Octal = 2, Binary = 3 };

// The settings byte as a radix; a value outside 0..3 (a damaged settings file) reads as hexadecimal,
// the default.
Radix radix_from_setting(std::uint8_t value);

// Addresses and 14-bit values: D'8192, 0x2000, O'020000, B'0010000000000000.
std::string word_format(std::uint16_t value, Radix radix);
// Register numbers, bit numbers, literals and data bytes: D'12, 0x0C, O'014, B'00001100.
std::string byte_format(std::uint8_t value, Radix radix);

// Four uppercase hex digits, e.g. "2805".
std::string hex4(std::uint16_t value);

} // namespace korvane
