#include "files/hex_record.h"

#include "files/hex_text.h"

namespace korvane {

bool record_checksum_ok(std::string_view line) {
    const unsigned ll = hex_byte_at(line, kRecordLengthPos);
    unsigned sum = 0;
    for (unsigned k = 0; k < ll + 4; ++k) sum += hex_byte_at(line, kRecordLengthPos + 2 * k);
    return hex_byte_at(line, kRecordDataPos + 2 * ll) == ((256 - sum % 256) % 256);
}

HexRecordBuilder::HexRecordBuilder(std::uint8_t length, std::uint16_t address, std::uint8_t type)
    : sum_(length + (address >> 8) + (address & 0xFF) + type) {
    text_.reserve(kRecordDataPos + 2 * length + 4);
    text_ += ':';
    append_hex_byte(text_, length);
    append_hex_word(text_, address);
    append_hex_byte(text_, type);
}

void HexRecordBuilder::add_byte(std::uint8_t b) {
    append_hex_byte(text_, b);
    sum_ += b;
}

void HexRecordBuilder::finish_line(std::string& out) {
    append_hex_byte(text_, std::uint8_t((256 - sum_ % 256) % 256));
    append_line(out, text_);
}

void append_line(std::string& out, std::string_view text) {
    out += text;
    out += "\r\n";
}

} // namespace korvane
