#include "files/file_access.h"

#include <system_error>

namespace korvane {

bool open_input_file(const std::filesystem::path& file, std::ifstream& in) {
    std::error_code ec;
    if (file.empty() || std::filesystem::is_directory(file, ec)) return false;
    in.open(file, std::ios::binary);
    return in.is_open();
}

bool write_whole_file(const std::filesystem::path& file, std::string_view bytes) {
    std::error_code ec;
    if (file.empty() || std::filesystem::is_directory(file, ec)) return false;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) return false;
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    const bool ok = !out.fail();
    // Never leave a torn image behind; devices and other special files are not ours to remove.
    if (!ok && std::filesystem::is_regular_file(file, ec)) std::filesystem::remove(file, ec);
    return ok;
}

} // namespace korvane
