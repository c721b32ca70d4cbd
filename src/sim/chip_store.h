#pragma once
// Where the bench keeps its chips' memory between runs: one file per device type under
// KORVANE_SIM_DIR, else $XDG_STATE_HOME/korvane/sim, else ~/.local/state/korvane/sim.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvane::sim {

std::filesystem::path default_state_dir();

class ChipStore {
public:
    explicit ChipStore(std::filesystem::path dir) : dir_(std::move(dir)) {}
    const std::filesystem::path& dir() const { return dir_; }
    std::optional<std::vector<std::uint8_t>> load(const std::string& file) const;
    // Written to a temporary file and renamed, so a crash never leaves half an image.
    bool save(const std::string& file, const std::vector<std::uint8_t>& bytes) const;
    void remove(const std::string& file) const;
private:
    std::filesystem::path dir_;
};

} // namespace korvane::sim
