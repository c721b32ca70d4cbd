#pragma once
// Small PIC programs for the core and card tests, assembled by gpasm at test time from source
// text, and the images they give (program words, configuration, data EEPROM).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvane::sim::test {

struct AssembledProgram {
    std::vector<std::uint16_t> words;     // 14-bit words, or 18F words (two bytes, low first)
    std::map<std::uint32_t, std::uint8_t> bytes;   // every byte of the HEX file by byte address
    std::uint16_t config = 0x3FFF;        // the 16F configuration word (0x2007)
    std::vector<std::uint8_t> eeprom;     // 16F data EEPROM (0x2100...)
    std::string listing_error;            // gpasm's output when it failed
    bool ok() const { return listing_error.empty(); }
};

// Whether gpasm is on PATH.
bool have_gpasm();
// Assembles `source` for `processor` ("16f84a", "16f628", "16f877", "18f452"); `code_words` sizes
// the 16F program memory (blank words are 0x3FFF).
AssembledProgram assemble(const std::string& processor, const std::string& source, std::size_t code_words);
// Assembles a source file that names its own processor.
AssembledProgram assemble_file(const std::string& path, bool pic18, std::size_t code_words);

} // namespace korvane::sim::test
