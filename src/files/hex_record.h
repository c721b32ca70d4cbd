#pragma once
// Intel HEX record text: ":" LL AAAA TT data checksum, fields at fixed character positions.
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

enum class HexReadResult { Ok, CannotOpen, BadChecksum };

// Record fields, by 1-based character position.
constexpr std::size_t kRecordLengthPos = 2;
constexpr std::size_t kRecordAddressPos = 4;
constexpr std::size_t kRecordTypePos = 8;
constexpr std::size_t kRecordDataPos = 10;

constexpr std::uint8_t kRecordExtendedLinear = 0x04;

// True when the byte after the LL data bytes equals the two's complement of the sum of LL, the
// address, the type and the data. The start mark is not looked at; an empty line passes.
bool record_checksum_ok(std::string_view line);

// Builds a type-00 (or other type) record line without the line end, upper-case.
class HexRecordBuilder {
public:
    HexRecordBuilder(std::uint8_t length, std::uint16_t address, std::uint8_t type = 0);
    void add_byte(std::uint8_t b);
    void add_word_le(std::uint16_t w) { add_byte(std::uint8_t(w)); add_byte(std::uint8_t(w >> 8)); }
    // Appends the checksum and the text to `out`, followed by CR LF.
    void finish_line(std::string& out);

private:
    std::string text_;
    unsigned sum_;
};

// Appends a text line and CR LF.
void append_line(std::string& out, std::string_view text);

} // namespace korvane
