#pragma once
// The twelve PIC devices Korvane programs. Indexes 0..3 are the 16F family, 4..11 the 18F family.
#include <cstdint>
#include <string>

#include "util/packed.h"

namespace korvane {

#pragma pack(push, 1)
struct TPicDevice {
    std::uint8_t index;
    PString<7> name;            // padded with blanks to 7 characters, e.g. "16F84  "
    LE16 device_id;             // revision bits 4..0 cleared
    LE32 code_size;             // program words
    LE32 data_size;             // data EEPROM bytes
    std::uint8_t command_len_minus_1;
    std::uint8_t panel_count;   // 18F multi-panel write; 0 for 16F
    LE16 program_blank;
    std::uint8_t data_blank;
    LE16 config_blank;          // clears configuration words 0..6
    std::uint8_t id_blank;
    LE32 code_rows;             // 8-word rows in a HEX file
    LE32 data_rows;             // 8-byte rows in a HEX file
};
#pragma pack(pop)
static_assert(sizeof(TPicDevice) == 35);

constexpr int kPicDeviceCount = 12;
constexpr int kPic16FLast = 3;

const TPicDevice& pic_device(int index);   // index must be 0..11
const TPicDevice* pic_catalogue();         // the twelve records, contiguous

inline bool is_pic16f(int index) { return index >= 0 && index <= kPic16FLast; }
inline bool is_pic18f(int index) { return index > kPic16FLast && index < kPicDeviceCount; }

// "PIC " + the stored 7-character name, e.g. "PIC 16F84  ".
std::string pic_device_title(int index);

// The revision bits (4..0) are not part of the identity: 0x09E7 read from a 16F876 matches.
constexpr std::uint16_t kPicRevisionMask = 0x001F;
bool pic_device_id_matches(int index, std::uint16_t read_id);

// Configuration word 7 of a cleared 16F buffer (0x3FF8, 0x3F08, 0x3D38); 18F buffers keep theirs.
std::uint16_t pic_cleared_config_word(int index);

// The bits of a 16F configuration word (0x2007) that exist; the others read 1 whatever was written
// (bit 10 of the 16F87x, bit 9 of the 16F628), so reading back and verifying compare only these.
std::uint16_t pic16_config_bits(int index);

// The longest erase-and-program cycle (command 8) of a 16F part, in milliseconds: the 16F628 needs
// 5 + 8 ms, longer than the JDM programmer's default delay of 11 ms. 0 for the 18F parts.
std::uint32_t pic16_write_cycle_ms(int index);

// Catalogue index by part name ("16F84", "18f452"; case and trailing blanks ignored), or -1.
int pic_device_by_name(const std::string& name);

} // namespace korvane
