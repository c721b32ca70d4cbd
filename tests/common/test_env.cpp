#include "test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace korvane::test {

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto p = base / ("korvane-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(p)) { path_ = p; return; }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void write_file(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace {
// Every test process gets its own settings and simulator directories, so nothing a test does
// touches the user's files or another test's state.
class FreshDirsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = std::make_unique<TempDir>();
        auto cfg = dir_->path() / "config";
        auto sim = dir_->path() / "sim";
        std::filesystem::create_directories(cfg);
        std::filesystem::create_directories(sim);
        setenv("KORVANE_CONFIG_DIR", cfg.c_str(), 1);
        setenv("KORVANE_SIM_DIR", sim.c_str(), 1);
        setenv("KORVANE_SIM_CLOCK", "virtual", 1);
        unsetenv("KORVANE_SIM");
        for (int n = 1; n <= 9; ++n) unsetenv(("KORVANE_COM" + std::to_string(n)).c_str());
    }
    void TearDown() override { dir_.reset(); }
private:
    std::unique_ptr<TempDir> dir_;
};
const auto* const registered = ::testing::AddGlobalTestEnvironment(new FreshDirsEnvironment);
} // namespace

} // namespace korvane::test
