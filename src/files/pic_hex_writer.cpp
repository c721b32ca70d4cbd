#include "files/pic_hex_writer.h"

#include "files/file_access.h"
#include "files/hex_record.h"
#include "pic/pic_catalogue.h"

namespace korvane {
namespace {

constexpr std::uint16_t k16FDataFileAddress = 0x4200;

void append_code_rows(std::string& out, const PicImage& image, std::uint32_t rows) {
    for (std::uint32_t r = 0; r < rows && 8 * r + 8 <= kPicCodeWords; ++r) {
        HexRecordBuilder rec(0x10, std::uint16_t(16 * r));
        for (std::uint32_t k = 0; k < 8; ++k) rec.add_word_le(image.code[8 * r + k]);
        rec.finish_line(out);
    }
}

// One EEPROM byte per 16-bit file word: the byte, then 00.
void append_data_rows(std::string& out, const PicImage& image, std::uint32_t rows, std::uint16_t base) {
    for (std::uint32_t r = 0; r < rows && 8 * r + 8 <= kPicDataBytes; ++r) {
        HexRecordBuilder rec(0x10, std::uint16_t(base + 16 * r));
        for (std::uint32_t k = 0; k < 8; ++k) rec.add_word_le(image.data[8 * r + k]);
        rec.finish_line(out);
    }
}

} // namespace

std::string pic_hex_text(const PicImage& image, int device_index) {
    const TPicDevice& dev = pic_device(device_index);
    const bool pic18 = is_pic18f(device_index);
    std::string out;
    out.reserve((std::size_t(dev.code_rows) + dev.data_rows + 8) * 45);

    if (pic18) append_line(out, ":020000040000FA");
    append_code_rows(out, image, dev.code_rows);
    if (!pic18) {
        HexRecordBuilder ids(0x08, 0x4000);
        for (int k = 0; k < 4; ++k) ids.add_word_le(image.config[k]);
        ids.finish_line(out);
        HexRecordBuilder config(0x02, 0x400E);
        config.add_word_le(image.config[7]);
        config.finish_line(out);
    } else {
        append_line(out, ":020000040020DA");
        HexRecordBuilder ids(0x08, 0x0000);
        for (auto b : image.id) ids.add_byte(b);
        ids.finish_line(out);
        append_line(out, ":020000040030CA");
        HexRecordBuilder config(0x0E, 0x0000);
        for (int k = 0; k < 7; ++k) config.add_word_le(image.config[k]);
        config.finish_line(out);
        append_line(out, ":0200000400F00A");
    }
    append_data_rows(out, image, dev.data_rows, pic18 ? 0 : k16FDataFileAddress);
    append_line(out, ":00000001FF");
    return out;
}

bool write_pic_hex_file(const std::filesystem::path& file, const PicImage& image, int device_index) {
    return write_whole_file(file, pic_hex_text(image, device_index));
}

} // namespace korvane
