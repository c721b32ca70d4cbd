#pragma once
// Reads Intel HEX images of PIC devices into a PicImage: INHX8M for the 16F family (byte address
// = 2 x word address), INHX32 with extended linear address records for the 18F family. The
// record's start address picks the area; values past the end of an area are dropped.
#include <cstdint>
#include <filesystem>
#include <istream>
#include <string_view>

#include "buffers/pic_buffers.h"
#include "files/hex_record.h"

namespace korvane {

// Stores one record into the image for the device (catalogue index) and returns the upper
// address for the next record (type 04 sets it; every other record is data). In loader mode
// the 16F configuration word at 0x400E is replaced by the device's loader value.
std::uint32_t parse_pic_record(std::string_view line, std::uint32_t upper, PicImage& image,
                               int device_index, bool loader_mode = false);

// The configuration word that loader mode stores for the device; no value for other devices.
bool loader_config_word(int device_index, std::uint16_t& word);

// Reads records line by line until the end of the input; stops at the first line that fails the
// checksum test (the records before it stay). The image is not cleared first.
HexReadResult read_pic_hex(std::istream& in, PicImage& image, int device_index, bool loader_mode = false);

// The same over HEX text held in memory (the loader images).
HexReadResult read_pic_hex_text(std::string_view text, PicImage& image, int device_index, bool loader_mode = false);

// Opens and reads a HEX file: what the window's loader does, without any message.
HexReadResult read_pic_hex_file(const std::filesystem::path& file, PicImage& image, int device_index,
                                bool loader_mode = false);

} // namespace korvane
