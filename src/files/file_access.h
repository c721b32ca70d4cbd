#pragma once
// Opening files for reading and writing them whole, the way every file command does.
#include <filesystem>
#include <fstream>
#include <string_view>

namespace korvane {

// Opens a file for binary reading; false for a missing or unreadable file and for a directory.
bool open_input_file(const std::filesystem::path& file, std::ifstream& in);

// Creates (or replaces) the file and writes `bytes`. On any failure a partly written regular
// file is removed and false is returned.
bool write_whole_file(const std::filesystem::path& file, std::string_view bytes);

} // namespace korvane
