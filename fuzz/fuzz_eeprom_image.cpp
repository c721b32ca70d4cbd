// The EEPROM image readers: raw binary and INHX8, for every 24Cxx type. A binary file replaces
// exactly its own first bytes (up to the type's size); an image read from HEX writes a file that
// reads back to the same image.
#include <algorithm>
#include <memory>
#include <sstream>
#include <string>

#include "buffers/eeprom_buffers.h"
#include "eeprom/eeprom_catalogue.h"
#include "files/eeprom_image_files.h"
#include "fuzz_input.h"

using namespace korvane;

namespace {

void check_binary(std::string_view bytes, int type) {
    auto image = std::make_unique<EEPromImage>();
    clear_eeprom_image(*image, type);
    const std::string blank = eeprom_bin_bytes(*image, type);
    std::istringstream in{std::string(bytes)};
    read_eeprom_bin(in, *image, type);
    const std::string out = eeprom_bin_bytes(*image, type);
    const std::size_t n = std::min(bytes.size(), out.size());
    fuzz::require(out.size() == eeprom_type(type).size, "binary image has the type's size");
    fuzz::require(out.compare(0, n, bytes.substr(0, n)) == 0, "binary file lands at address 0");
    fuzz::require(out.compare(n, std::string::npos, blank, n) == 0, "bytes past a short file stay blank");
}

void check_hex(std::string_view bytes, int type) {
    auto image = std::make_unique<EEPromImage>();
    clear_eeprom_image(*image, type);
    std::istringstream in{std::string(bytes)};
    read_eeprom_hex(in, *image, type);
    if (!fuzz::whole_image_check_due()) return;

    const std::string text = eeprom_hex_text(*image, type);
    auto back = std::make_unique<EEPromImage>();
    clear_eeprom_image(*back, type);
    std::istringstream again(text);
    fuzz::require(read_eeprom_hex(again, *back, type) == HexReadResult::Ok, "written file reads back");
    fuzz::require(eeprom_hex_text(*back, type) == text, "read-back image writes the same file");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto in = fuzz::split(data, size);
    const int type = (in.selector & 0x7F) % kEEPromTypeCount;
    if (in.selector & 0x80)
        check_binary(in.bytes, type);
    else
        check_hex(in.bytes, type);
    return 0;
}
