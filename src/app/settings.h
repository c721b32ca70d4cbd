#pragma once
// The settings record: one packed 3149-byte image, kept in memory for the whole run and stored
// byte for byte as the settings file "Korvane.INI".
#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>

#include "util/packed.h"

namespace korvane {

inline constexpr const char* kSettingsVersion = "1.08";
inline constexpr const char* kSettingsFileName = "Korvane.INI";
inline constexpr std::size_t kSettingsSize = 3149;

enum ProgrammerType : std::uint8_t { kJDM = 0, kXJDM = 1, kHELL = 2 };
const char* programmer_name(int type);   // "JDM", "X-JDM", "HELL"

#pragma pack(push, 1)
struct ProgrammerParams {                // 39 bytes, one per programmer type
    PString<4> port_name;                // "COM1", "SIM"
    std::uint8_t direct_io;              // 1 = Direct I/O backend, 0 = operating-system calls
    LE32 prog_delay_ms;                  // wait after each programming step
    LE32 max_retries;
    LE32 tset0_ms;
    LE32 thld0_ms;
    LE32 cmd_delay_us;
    LE32 bit_time_us;
    std::uint8_t invert_data_out;
    std::uint8_t invert_data_in;
    std::uint8_t invert_clock;
    std::uint8_t invert_mclr;
    std::uint8_t invert_vcc;             // stored, never applied
    LE32 eeprom_bit_time_us;
};
static_assert(sizeof(ProgrammerParams) == 39);

struct RecentDeviceSlot {
    std::uint8_t kind;                   // 0 empty, 1 PIC, 2 EEPROM
    std::uint8_t pic_index;
    std::uint8_t eeprom_index;
};
static_assert(sizeof(RecentDeviceSlot) == 3);

struct SettingsRecord {
    PString<4> version;                  // 0
    PString<128> log_path;               // 5
    std::uint8_t programmer_type;        // 134
    std::uint8_t show_progress;          // 135
    std::uint8_t priority;               // 136: 0 normal, 1 high, 2 real time
    std::uint8_t recent_device_pos;      // 137: 1..10, 0 none yet
    RecentDeviceSlot recent_devices[10]; // 138
    std::uint8_t confirm_program;        // 168
    std::uint8_t confirm_erase;          // 169
    std::uint8_t confirm_cp;             // 170
    std::uint8_t unprotect_dev;          // 171
    std::uint8_t radix;                  // 172: 0 dec, 1 hex, 2 oct, 3 bin
    std::uint8_t dis_fuses;              // 173
    std::uint8_t show_off;               // 174
    std::uint8_t show_opcode;            // 175
    ProgrammerParams programmers[3];     // 176
    PString<128> last_pic_dir;           // 293
    std::uint8_t pic_device;             // 422
    std::uint8_t write_verify;           // 423
    std::uint8_t verify_after;           // 424
    std::uint8_t erase_before;           // 425
    std::uint8_t check_pic;              // 426
    std::uint8_t skip_3fff;              // 427
    std::uint8_t recent_pic_file_pos;    // 428
    PString<128> recent_pic_files[10];   // 429
    PString<128> last_eeprom_dir;        // 1719
    std::uint8_t eeprom_device;          // 1848
    std::uint8_t eprom_verify_after;     // 1849
    std::uint8_t recent_eeprom_file_pos; // 1850
    PString<128> recent_eeprom_files[10];// 1851
    PString<4> card_reader_port;         // 3141
    std::uint8_t iso_pic_device;         // 3146
    std::uint8_t iso_eeprom_device;      // 3147
    std::uint8_t card_reader_clock;      // 3148: 0 = 3.57 MHz, 1 = 6.00 MHz

    // The parameter record of the programmer type in force (type clamped to 0..2).
    ProgrammerParams& current_programmer();
    const ProgrammerParams& current_programmer() const;
};
#pragma pack(pop)
static_assert(sizeof(SettingsRecord) == kSettingsSize);

} // namespace korvane

namespace korvane {

// Writes the defaults of every defaulted field; bytes no default covers are left as they are.
// `program_dir` ends with a path separator; it seeds the log path and the two last directories.
void apply_settings_defaults(SettingsRecord& rec, const std::string& program_dir);

// Puts back the default of every field that indexes a table (programmer type, devices, priority,
// radix, reader clock, ring positions) when a damaged file holds a value outside it.
void repair_settings_ranges(SettingsRecord& rec);

// Where the settings file lives: $KORVANE_CONFIG_DIR, else the program directory when writable and
// not a system directory such as /usr/bin (a package install), else $XDG_CONFIG_HOME/korvane
// (~/.config/korvane).
std::filesystem::path settings_directory(const std::filesystem::path& program_dir);

// Reads the file into `rec` without writing anything. True when the version matches ("1.08",
// length byte included); a short file of the right version fills the record as far as it reaches
// and leaves the rest zero. On false `rec` holds whatever was read (for keeping unknown bytes).
bool read_settings_file(const std::filesystem::path& file, SettingsRecord& rec);

// The same over an open binary stream (the file's bytes from its start).
bool read_settings(std::istream& in, SettingsRecord& rec);

// Start-up load: read; when there is no usable file, apply the defaults (keeping other bytes of an
// old-version file) and write the new file. The file name is the directory + "Korvane.INI".
void load_settings(const std::filesystem::path& dir, const std::string& program_dir, SettingsRecord& rec);

// Writes the whole record through a temporary file renamed over the old one. False (and the old
// file untouched) when anything fails.
bool save_settings(const std::filesystem::path& dir, const SettingsRecord& rec);

// The temporary file save_settings writes before renaming it over "Korvane.INI".
std::filesystem::path settings_temp_path(const std::filesystem::path& dir);

// "Korvane " + the record's version text, cut to at most 12 characters.
std::string application_title(const SettingsRecord& rec);

} // namespace korvane

#include "app/recent_lists.h"
