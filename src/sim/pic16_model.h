#pragma once
// The four 14-bit parts the bench can put in its socket, with their sizes, IDs, cycle times
// and how their configuration word protects memory. The plain 16F84 is modelled as a 16F84A.
#include <cstdint>

namespace korvane::sim {

enum class CpScheme : std::uint8_t { F84A, F628, F87x };

struct Pic16Model {
    const char* part;             // "16F84A"
    const char* image_file;       // file under the state directory
    std::uint32_t code_words;
    std::uint32_t data_bytes;
    std::uint16_t device_id;      // bits 13..5; the revision goes into bits 4..0
    std::uint8_t revision;
    std::uint32_t erase_program_us;   // command 8: erase the location, then program it
    std::uint32_t program_only_us;    // command 24
    std::uint32_t bulk_erase_us;      // commands 9 and 11, and the 1-7-8 sequences
    std::uint32_t chip_erase_us;      // the code-protection removal sequence
    CpScheme cp;
};

// The model for a catalogue index 0..3 (16F84, 16F628, 16F876, 16F877), or null.
const Pic16Model* pic16_model(int catalogue_index);

// What a configuration word protects: program words [code_from, code_to) and maybe the data.
struct Protection {
    std::uint32_t code_from = 0;
    std::uint32_t code_to = 0;
    bool data = false;
    bool code(std::uint32_t address) const { return address >= code_from && address < code_to; }
    bool any() const { return code_to > code_from || data; }
};

Protection decode_protection(const Pic16Model& m, std::uint16_t config);

// Configuration-word bits the part does not implement: they always read 1 (16F87x bit 10).
std::uint16_t unimplemented_config_bits(const Pic16Model& m);

// The configuration word with every program-memory protection bit programmed.
std::uint16_t protected_config(const Pic16Model& m, std::uint16_t config);

} // namespace korvane::sim
