#pragma once
// The eight PIC18FXX2 / 18FXX8 parts the bench can put in its socket: sizes, device IDs, the
// programming waits, and what their configuration bytes hold and protect.
#include <array>
#include <cstdint>

namespace korvane::sim {

struct Pic18Model {
    const char* part;               // "18F452"
    const char* image_file;         // file under the state directory
    std::uint32_t code_bytes;       // 16 KB or 32 KB, in 8 KB panels
    std::uint32_t ram_bytes;        // general-purpose RAM from 0x000
    std::uint32_t eeprom_bytes;
    std::uint16_t device_id;        // DEV10..0 in bits 15..5; the revision goes into bits 4..0
    std::uint8_t revision;
    bool forty_pins;                // PORTD and PORTE exist
    bool ccp2_mux;                  // CONFIG3H CCP2MX: the XX2 parts only
    std::uint32_t p9_us;            // 4th clock held high: a panel or configuration write
    std::uint32_t p10_ns;           // clock low after the write, before the payload
    std::uint32_t p11_us;           // bulk erase, clock and data low
    std::uint32_t eeprom_write_us;  // data EEPROM write (WR stays set meanwhile)
    std::uint32_t self_write_us;    // flash write or row erase started by the core's own WR

    std::uint32_t panels() const { return code_bytes / kPanelBytes; }
    static constexpr std::uint32_t kPanelBytes = 0x2000;
};

// The model for a catalogue index 4..11 (18F242, 248, 252, 258, 442, 448, 452, 458), or null.
const Pic18Model* pic18_model(int catalogue_index);

// Configuration bytes 0x300000..0x30000D.
constexpr std::uint32_t kConfigBase = 0x300000;
constexpr std::size_t kConfigBytes = 14;
constexpr std::uint32_t kIdBase = 0x200000;
constexpr std::size_t kIdBytes = 8;

// Bits a configuration byte implements (the others read 0) and its unprogrammed value.
std::uint8_t config_mask(const Pic18Model& m, std::size_t index);
inline std::uint8_t config_default(const Pic18Model& m, std::size_t index) { return config_mask(m, index); }
std::array<std::uint8_t, kConfigBytes> default_config(const Pic18Model& m);

// Protection blocks: the boot block 0x000..0x1FF, then blocks 0..3 up to each 8 KB boundary.
// Index 0 is the boot block, k + 1 is block k.
constexpr int kBlocks = 5;
int protection_block(std::uint32_t address);

// What the configuration bytes protect. A set flag means protected.
struct Pic18Protection {
    std::array<bool, kBlocks> code{};        // CPB, CP0..CP3: unreadable and unwritable from outside
    std::array<bool, kBlocks> write{};       // WRTB, WRT0..WRT3
    std::array<bool, kBlocks> table_read{};  // EBTRB, EBTR0..3: table reads from other blocks give 0
    bool data = false;                       // CPD
    bool data_write = false;                 // WRTD
    bool config_write = false;               // WRTC

    bool code_any() const {
        for (bool b : code)
            if (b) return true;
        return data;
    }
};

Pic18Protection decode_protection(const std::array<std::uint8_t, kConfigBytes>& config);

// The configuration with every program-memory code-protection bit programmed (CPB, CP0..CP3).
std::array<std::uint8_t, kConfigBytes> protected_config(std::array<std::uint8_t, kConfigBytes> config);

} // namespace korvane::sim
