#include "app/program_dir.h"

#include <filesystem>
#include <system_error>

namespace korvane {

std::string program_directory() {
    std::error_code ec;
#if defined(__linux__)
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return exe.parent_path().string() + "/";
#endif
    auto cwd = std::filesystem::current_path(ec);
    return ec ? std::string("./") : cwd.string() + "/";
}

} // namespace korvane
