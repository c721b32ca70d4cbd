#pragma once
// Writes a whole PIC image as Intel HEX: INHX8M for the 16F family, INHX32 for the 18F family.
// Nothing is skipped, so equal images give byte-identical files.
#include <filesystem>
#include <string>

#include "buffers/pic_buffers.h"

namespace korvane {

// The file content for the device (catalogue index), every line ended by CR LF.
std::string pic_hex_text(const PicImage& image, int device_index);

// Creates or replaces the file; false when it cannot be created or written (a partly written
// file is removed).
bool write_pic_hex_file(const std::filesystem::path& file, const PicImage& image, int device_index);

} // namespace korvane
