#pragma once
// Saving the assembler listing as an .ASM file, and what the save dialog shows.
#include <filesystem>
#include <string>
#include <vector>

#include "app/settings.h"

namespace korvane {

// What the window's save dialog needs; the window only shows it.
struct ListingSaveDialog {
    std::string title;            // "Save Hex File"
    std::string initial_dir;      // the last PIC directory (not changed by the save)
    std::string filter;           // "Asm Files   |*.ASM" (description|pattern)
    std::string filter_name;      // "Asm Files   " for dialogs that want the parts apart
    std::string filter_pattern;   // "*.ASM"
    std::string default_suffix;   // "asm": a name typed without extension gets ".asm"
};

ListingSaveDialog listing_save_dialog(const SettingsRecord& settings);

// The chosen name with the default extension added when its file name has none.
std::string listing_file_name(const std::string& chosen);

// The listing as file bytes: every line followed by CR LF.
std::string listing_text(const std::vector<std::string>& lines);

// Creates (or replaces) the file and writes the listing. False when the file cannot be written
// (a partly written file is removed); the window stays silent about it, the command line reports it.
bool save_listing(const std::filesystem::path& file, const std::vector<std::string>& lines);

} // namespace korvane
