#include "files/pic_hex_reader.h"

#include <fstream>
#include <sstream>
#include <string>

#include "files/hex_record.h"
#include "files/hex_text.h"
#include "files/file_access.h"
#include "files/line_reader.h"
#include "pic/pic_catalogue.h"

namespace korvane {
namespace {

// Address windows (full byte addresses of a record's start).
constexpr std::uint32_t k16FCodeEnd = 0x3FFF;
constexpr std::uint32_t k18FCodeEnd = 0x7FFF;
constexpr std::uint32_t k16FConfigStart = 0x4000;
constexpr std::uint32_t k16FConfigEnd = 0x400D;
constexpr std::uint32_t k16FConfigWordAddr = 0x400E;
constexpr std::uint32_t k16FDataStart = 0x4200;
constexpr std::uint32_t k16FDataEnd = 0x4400;
constexpr std::uint32_t kIdStart = 0x200000;
constexpr std::uint32_t kIdEnd = 0x200007;
constexpr std::uint32_t k18FConfigStart = 0x300000;
constexpr std::uint32_t k18FConfigEnd = 0x30000D;
constexpr std::uint32_t k18FDataStart = 0xF00000;
constexpr std::uint32_t k18FDataEnd = 0xF00200;

struct Record {
    std::string_view line;
    unsigned length;
    std::uint8_t byte(unsigned k) const { return hex_byte_at(line, kRecordDataPos + 2 * k); }
    // Little-endian word k of the data field.
    std::uint16_t word(unsigned k) const { return std::uint16_t(byte(2 * k) | (byte(2 * k + 1) << 8)); }
};

template <std::size_t N>
void store_words(std::array<std::uint16_t, N>& area, std::size_t first, const Record& r) {
    for (unsigned k = 0; k < r.length / 2 && first + k < N; ++k) area[first + k] = r.word(k);
}

// One EEPROM byte per 16-bit file word: the low byte counts, the high byte is padding.
template <std::size_t N>
void store_eeprom_bytes(std::array<std::uint8_t, N>& area, std::size_t first, const Record& r) {
    for (unsigned k = 0; k < r.length / 2 && first + k < N; ++k) area[first + k] = r.byte(2 * k);
}

// Each data byte goes to its own byte address (even: low half of the word, odd: high half), so
// records that start at an odd address or carry an odd count land where the assembler put them.
template <std::size_t N>
void store_word_bytes(std::array<std::uint16_t, N>& area, std::size_t first_byte, const Record& r) {
    for (unsigned k = 0; k < r.length; ++k) {
        const std::size_t b = first_byte + k;
        if (b / 2 >= N) break;
        std::uint16_t& w = area[b / 2];
        w = (b & 1) ? std::uint16_t((w & 0x00FF) | (r.byte(k) << 8)) : std::uint16_t((w & 0xFF00) | r.byte(k));
    }
}

} // namespace

bool loader_config_word(int device_index, std::uint16_t& word) {
    switch (device_index) {
    case 0: word = 0x3FF1; return true;
    case 1: word = 0x3F29; return true;
    case 2:
    case 3: word = 0x3D39; return true;
    default: return false;
    }
}

std::uint32_t parse_pic_record(std::string_view line, std::uint32_t upper, PicImage& image,
                               int device_index, bool loader_mode) {
    const Record r{line, hex_byte_at(line, kRecordLengthPos)};
    if (hex_byte_at(line, kRecordTypePos) == kRecordExtendedLinear)
        return std::uint32_t(hex_word_at(line, kRecordDataPos)) << 16;

    const std::uint32_t a = upper + hex_word_at(line, kRecordAddressPos);
    if (is_pic16f(device_index)) {
        if (a <= k16FCodeEnd) {
            store_words(image.code, a / 2, r);
        } else if (a >= k16FConfigStart && a <= k16FConfigEnd) {
            store_words(image.config, (a - k16FConfigStart) / 2, r);
        } else if (a == k16FConfigWordAddr) {
            if (r.length >= 2) {
                std::uint16_t w = r.word(0);
                if (loader_mode) loader_config_word(device_index, w);
                image.config[7] = w;
            }
        } else if (a >= k16FDataStart && a <= k16FDataEnd) {
            store_eeprom_bytes(image.data, (a - k16FDataStart) / 2, r);
        }
    } else if (a <= k18FCodeEnd) {
        store_word_bytes(image.code, a, r);
    }
    if (a >= kIdStart && a <= kIdEnd) {
        for (unsigned k = 0; k < r.length && a - kIdStart + k < image.id.size(); ++k)
            image.id[a - kIdStart + k] = r.byte(k);
    } else if (a >= k18FConfigStart && a <= k18FConfigEnd) {
        store_word_bytes(image.config, a - k18FConfigStart, r);
    } else if (a >= k18FDataStart && a <= k18FDataEnd) {
        store_eeprom_bytes(image.data, (a - k18FDataStart) / 2, r);
    }
    return upper;
}

HexReadResult read_pic_hex(std::istream& in, PicImage& image, int device_index, bool loader_mode) {
    LineReader reader(in);
    std::string line;
    std::uint32_t upper = 0;
    while (reader.read_line(line)) {
        if (!record_checksum_ok(line)) return HexReadResult::BadChecksum;
        upper = parse_pic_record(line, upper, image, device_index, loader_mode);
    }
    return HexReadResult::Ok;
}

HexReadResult read_pic_hex_text(std::string_view text, PicImage& image, int device_index, bool loader_mode) {
    std::istringstream in{std::string(text)};
    return read_pic_hex(in, image, device_index, loader_mode);
}

HexReadResult read_pic_hex_file(const std::filesystem::path& file, PicImage& image, int device_index,
                                bool loader_mode) {
    std::ifstream in;
    if (!open_input_file(file, in)) return HexReadResult::CannotOpen;
    return read_pic_hex(in, image, device_index, loader_mode);
}

} // namespace korvane
