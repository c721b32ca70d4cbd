#include "disasm/listing_file.h"

#include "files/file_access.h"

namespace korvane {

ListingSaveDialog listing_save_dialog(const SettingsRecord& settings) {
    ListingSaveDialog d;
    d.title = "Save Hex File";
    d.initial_dir = settings.last_pic_dir.str();
    d.filter_name = "Asm Files   ";
    d.filter_pattern = "*.ASM";
    d.filter = d.filter_name + "|" + d.filter_pattern;
    // A listing must never land in a .hex file: the user's image may have the same base name.
    d.default_suffix = "asm";
    return d;
}

std::string listing_file_name(const std::string& chosen) {
    if (chosen.empty()) return chosen;
    const std::string name = std::filesystem::path(chosen).filename().string();
    if (name.empty() || name.find('.') != std::string::npos) return chosen;
    return chosen + ".asm";
}

std::string listing_text(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

bool save_listing(const std::filesystem::path& file, const std::vector<std::string>& lines) {
    return write_whole_file(file, listing_text(lines));
}

} // namespace korvane
