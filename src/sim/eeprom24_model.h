#pragma once
// The eleven 24Cxx serial EEPROMs the bench can hold, 24C01 (index 0) .. 24C512 (index 10), as
// their datasheets describe them: size, how the address travels on the bus, page size and the
// internal write-cycle time.
#include <cstdint>

namespace korvane::sim {

struct Eeprom24Model {
    const char* part;              // "24C16"
    const char* image_file;        // file under the state directory
    std::uint32_t size;            // bytes, a power of two
    std::uint8_t address_bytes;    // 1 (24C01..24C16) or 2 (24C32 and up), high byte first
    std::uint8_t block_bits;       // address bits above the address byte(s) carried in A0..A2
    std::uint16_t page_size;       // a page write wraps inside an aligned page of this many bytes
    std::uint32_t write_cycle_us;  // internal write time after the STOP
};

// The model for a catalogue index 0..10, or null.
const Eeprom24Model* eeprom24_model(int index);

} // namespace korvane::sim
