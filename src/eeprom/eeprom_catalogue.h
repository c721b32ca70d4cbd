#pragma once
// The eleven I2C EEPROM types, 24C01 (index 0) .. 24C512 (index 10).
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct TEEPromType {
    const char* list_name;       // "24C16"
    const char* title_suffix;    // "16"
    std::uint32_t size;          // bytes
    std::uint32_t last_address;
    std::uint8_t address_bytes;  // 1 or 2
    std::uint8_t block_bits;     // address bits above the low byte carried in the device address (0..3)
    std::uint16_t write_bytes;   // data bytes per write transaction
    std::uint16_t loader_block;  // bytes per read command to the card loader
};

constexpr int kEEPromTypeCount = 11;

const TEEPromType& eeprom_type(int index);   // index must be 0..10
inline bool eeprom_index_valid(int index) { return index >= 0 && index < kEEPromTypeCount; }

// "EEProm 24C" + the title suffix; "EEProm 24C" alone outside 0..10.
std::string eeprom_device_title(int index);

// The bytes that address `address` on the bus for writing: device address (1010 bbb 0), then one
// or two address bytes (high first). 24C16 0x0734 -> AE 34; 24C64 0x0734 -> A0 07 34.
std::vector<std::uint8_t> eeprom_address_bytes(int index, std::uint32_t address);
// Device address byte 1010 bbb r for an address.
std::uint8_t eeprom_device_address(int index, std::uint32_t address, bool read);

// Index by name ("24C16", "24c512"), or -1.
int eeprom_type_by_name(const std::string& name);

} // namespace korvane
