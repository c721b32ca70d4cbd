#include "files/eeprom_image_files.h"

#include <algorithm>

#include "eeprom/eeprom_catalogue.h"
#include "files/hex_record.h"
#include "files/hex_text.h"
#include "files/line_reader.h"

namespace korvane {

void read_eeprom_bin(std::istream& in, EEPromImage& image, int type_index) {
    const std::size_t size = eeprom_type(type_index).size;
    in.read(reinterpret_cast<char*>(image.bytes.data()), std::streamsize(std::min(size, image.bytes.size())));
}

HexReadResult read_eeprom_hex(std::istream& in, EEPromImage& image, int type_index) {
    const std::uint32_t last = eeprom_type(type_index).last_address;
    LineReader reader(in);
    std::string line;
    while (reader.read_line(line)) {
        if (!record_checksum_ok(line)) return HexReadResult::BadChecksum;
        const unsigned ll = hex_byte_at(line, kRecordLengthPos);
        const std::uint32_t address = hex_word_at(line, kRecordAddressPos);
        if (address + 1 >= last) continue;
        for (unsigned k = 0; k < ll && address + k < image.bytes.size(); ++k)
            image.bytes[address + k] = hex_byte_at(line, kRecordDataPos + 2 * k);
    }
    return HexReadResult::Ok;
}

std::string eeprom_bin_bytes(const EEPromImage& image, int type_index) {
    const std::size_t size = std::min<std::size_t>(eeprom_type(type_index).size, image.bytes.size());
    return std::string(reinterpret_cast<const char*>(image.bytes.data()), size);
}

std::string eeprom_hex_text(const EEPromImage& image, int type_index) {
    const std::uint32_t rows = (eeprom_type(type_index).last_address + 1) / 16;
    std::string out;
    out.reserve(std::size_t(rows) * 45 + 16);
    for (std::uint32_t r = 0; r < rows; ++r) {
        const std::uint32_t a = 16 * r;
        HexRecordBuilder rec(0x10, std::uint16_t(a));
        for (std::uint32_t k = 0; k < 16; ++k) rec.add_byte(image.bytes[a + k]);
        rec.finish_line(out);
    }
    append_line(out, ":00000001FF");
    return out;
}

} // namespace korvane
