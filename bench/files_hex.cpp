// Loading and saving whole images through files: an 18F452 HEX image (the largest PIC file) and
// a 24C512 HEX image (the largest EEPROM file).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

#include "app/host.h"
#include "app/settings.h"
#include "files/eeprom_files.h"
#include "files/pic_files.h"

using namespace korvane;

namespace {

constexpr int k18F452 = 10;
constexpr int k24C512 = 10;

class QuietHost : public IHost {
public:
    int message_box(const std::vector<std::string>&, MsgKind, const std::vector<int>&) override { return mbOK; }
    void set_status_text(int, const std::string&) override {}
};

// The files live in a directory of their own, removed at exit.
struct BenchDir {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("korvane-bench-" + std::to_string(::getpid()));
    BenchDir() { std::filesystem::create_directories(path); }
    ~BenchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
} bench_files;

const std::filesystem::path& bench_dir() { return bench_files.path; }

std::unique_ptr<PicImage> full_pic_image() {
    auto img = std::make_unique<PicImage>();
    clear_pic_image(*img, k18F452);
    std::mt19937 rng(1);
    for (auto& w : img->code) w = std::uint16_t(rng());
    for (auto& b : img->data) b = std::uint8_t(rng());
    return img;
}

std::unique_ptr<EEPromImage> full_eeprom_image() {
    auto img = std::make_unique<EEPromImage>();
    std::mt19937 rng(2);
    for (auto& b : img->bytes) b = std::uint8_t(rng());
    return img;
}

void BM_Save18F452Hex(benchmark::State& state) {
    auto img = full_pic_image();
    SettingsRecord settings{};
    QuietHost host;
    const std::string name = (bench_dir() / "p18f452.hex").string();
    for (auto _ : state) benchmark::DoNotOptimize(save_pic_file({*img, k18F452, settings, host}, name));
}

void BM_Load18F452Hex(benchmark::State& state) {
    auto img = full_pic_image();
    SettingsRecord settings{};
    QuietHost host;
    const std::string name = (bench_dir() / "p18f452-load.hex").string();
    save_pic_file({*img, k18F452, settings, host}, name);
    for (auto _ : state) {
        clear_pic_image(*img, k18F452);
        if (!open_pic_file({*img, k18F452, settings, host}, name)) state.SkipWithError("load failed");
    }
}

void BM_Save24C512Hex(benchmark::State& state) {
    auto img = full_eeprom_image();
    SettingsRecord settings{};
    QuietHost host;
    const std::string name = (bench_dir() / "e24c512.hex").string();
    for (auto _ : state) benchmark::DoNotOptimize(save_eeprom_file({*img, k24C512, settings, host}, name));
}

void BM_Load24C512Hex(benchmark::State& state) {
    auto img = full_eeprom_image();
    SettingsRecord settings{};
    QuietHost host;
    const std::string name = (bench_dir() / "e24c512-load.hex").string();
    save_eeprom_file({*img, k24C512, settings, host}, name);
    for (auto _ : state) {
        clear_eeprom_image(*img, k24C512);
        if (!load_eeprom_file_by_name({*img, k24C512, settings, host}, name)) state.SkipWithError("load failed");
    }
}

} // namespace

BENCHMARK(BM_Save18F452Hex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load18F452Hex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save24C512Hex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load24C512Hex)->Unit(benchmark::kMillisecond);
