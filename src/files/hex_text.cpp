#include "files/hex_text.h"

namespace korvane {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

unsigned digits_value(std::string_view text, std::size_t count) {
    unsigned v = 0;
    for (std::size_t i = 0; i < count; ++i) v = v * 16 + (i < text.size() ? hex_digit_value(text[i]) : 0);
    return v;
}

std::string_view field(std::string_view line, std::size_t pos, std::size_t len) {
    if (pos == 0 || pos > line.size()) return {};
    return line.substr(pos - 1, len);
}

} // namespace

unsigned hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return unsigned(c - '0');
    if (c >= 'A' && c <= 'F') return unsigned(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return unsigned(c - 'a' + 10);
    return 0;
}

std::uint8_t hex_byte(std::string_view text) { return std::uint8_t(digits_value(text, 2)); }
std::uint16_t hex_word(std::string_view text) { return std::uint16_t(digits_value(text, 4)); }

std::uint8_t hex_byte_at(std::string_view line, std::size_t pos) { return hex_byte(field(line, pos, 2)); }
std::uint16_t hex_word_at(std::string_view line, std::size_t pos) { return hex_word(field(line, pos, 4)); }

void append_hex_byte(std::string& out, std::uint8_t value) {
    out += kDigits[value >> 4];
    out += kDigits[value & 0x0F];
}

void append_hex_word(std::string& out, std::uint16_t value) {
    append_hex_byte(out, std::uint8_t(value >> 8));
    append_hex_byte(out, std::uint8_t(value));
}

std::string hex_byte_text(std::uint8_t value) {
    std::string s;
    append_hex_byte(s, value);
    return s;
}

std::string hex_word_text(std::uint16_t value) {
    std::string s;
    append_hex_word(s, value);
    return s;
}

} // namespace korvane
