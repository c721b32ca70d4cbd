#include "sim/chip_store.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace korvane::sim {

namespace fs = std::filesystem;

fs::path default_state_dir() {
    if (const char* d = std::getenv("KORVANE_SIM_DIR"); d && *d) return fs::path(d);
    if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x) return fs::path(x) / "korvane" / "sim";
    if (const char* h = std::getenv("HOME"); h && *h) return fs::path(h) / ".local" / "state" / "korvane" / "sim";
    return fs::path(".korvane-sim");
}

std::optional<std::vector<std::uint8_t>> ChipStore::load(const std::string& file) const {
    std::ifstream in(dir_ / file, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

bool ChipStore::save(const std::string& file, const std::vector<std::uint8_t>& bytes) const {
    std::error_code ec;
    fs::create_directories(dir_, ec);
    const fs::path target = dir_ / file;
    const fs::path temp = dir_ / (file + ".tmp");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

void ChipStore::remove(const std::string& file) const {
    std::error_code ec;
    fs::remove(dir_ / file, ec);
}

} // namespace korvane::sim
