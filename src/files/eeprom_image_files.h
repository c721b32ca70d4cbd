#pragma once
// Serial-EEPROM images on disk: raw binary (bytes 0 .. last address) and INHX8 (16-byte data
// records from address 0, no extended address records). Sizes follow the EEPROM type.
#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>

#include "buffers/eeprom_buffers.h"
#include "files/hex_record.h"

namespace korvane {

// Reads up to the type's size from the start of the stream; a shorter input replaces only its
// own length.
void read_eeprom_bin(std::istream& in, EEPromImage& image, int type_index);

// Reads INHX8 records: each record below (last address - 1) stores its bytes from its address on
// (dropping what would pass the 65536-byte image); others are skipped. The record type is not
// looked at. Stops at the first line that fails the checksum test.
HexReadResult read_eeprom_hex(std::istream& in, EEPromImage& image, int type_index);

std::string eeprom_bin_bytes(const EEPromImage& image, int type_index);
std::string eeprom_hex_text(const EEPromImage& image, int type_index);

} // namespace korvane
