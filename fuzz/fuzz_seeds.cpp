// Writes the starting corpora of the fuzz targets: files our writers produce for every device and
// type, settings records, fault texts, card replies, and the HEX files given on the command line (gpasm output)
// with the selector bytes of their devices.
// Usage: fuzz_seeds OUT_DIR [DEVICE=FILE.hex ...]     e.g. 16F84=p16f84.hex
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "app/settings.h"
#include "buffers/eeprom_buffers.h"
#include "buffers/pic_buffers.h"
#include "eeprom/eeprom_catalogue.h"
#include "files/eeprom_image_files.h"
#include "files/pic_hex_writer.h"
#include "pic/pic_catalogue.h"

using namespace korvane;
namespace fs = std::filesystem;

namespace {

fs::path out_dir;

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(out_dir / target);
    std::ofstream(out_dir / target / name, std::ios::binary) << bytes;
}

std::string with_selector(int selector, const std::string& bytes) { return char(selector) + bytes; }

// A few cells of every area changed, so the seeds hold records other than blank ones.
void pattern(PicImage& image) {
    for (std::size_t k = 0; k < 64; ++k) image.code[k * 37 % image.code.size()] = std::uint16_t(k * 0x0123);
    for (std::size_t k = 0; k < 16; ++k) image.data[k * 5] = std::uint8_t(k * 17);
    for (std::size_t k = 0; k < image.config.size(); ++k) image.config[k] = std::uint16_t(0x1234 + k);
    for (std::size_t k = 0; k < image.id.size(); ++k) image.id[k] = std::uint8_t(0xA0 + k);
}

void pic_seeds() {
    for (int d = 0; d < kPicDeviceCount; ++d) {
        auto image = std::make_unique<PicImage>();
        clear_pic_image(*image, d);
        const std::string blank = pic_hex_text(*image, d);
        seed("pic_hex", "blank_" + std::to_string(d), with_selector(d, blank));
        pattern(*image);
        const std::string text = pic_hex_text(*image, d);
        seed("pic_hex", "pattern_" + std::to_string(d), with_selector(d, text));
        if (is_pic16f(d)) seed("pic_hex", "loader_" + std::to_string(d), with_selector(d | 0x80, text));
    }
}

void eeprom_seeds() {
    for (int t = 0; t < kEEPromTypeCount; ++t) {
        auto image = std::make_unique<EEPromImage>();
        clear_eeprom_image(*image, t);
        for (std::size_t k = 0; k < 40; ++k) image->bytes[(k * 97) % eeprom_type(t).size] = std::uint8_t(k);
        // The large types' files are cut short: a fuzzer works better on small inputs.
        const std::string hex = eeprom_hex_text(*image, t).substr(0, 4096);
        seed("eeprom_image", "hex_" + std::to_string(t), with_selector(t, hex + ":00000001FF\r\n"));
        seed("eeprom_image", "bin_" + std::to_string(t),
             with_selector(t | 0x80, eeprom_bin_bytes(*image, t).substr(0, 1024)));
    }
}

std::string record_bytes(const SettingsRecord& rec) {
    return std::string(reinterpret_cast<const char*>(&rec), sizeof rec);
}

void settings_seeds() {
    SettingsRecord rec{};
    apply_settings_defaults(rec, "/home/user/korvane/");
    seed("settings", "defaults", record_bytes(rec));
    seed("settings", "short", record_bytes(rec).substr(0, 300));
    rec.recent_device_pos = 3;
    rec.recent_devices[2] = {1, 10, 0};
    rec.recent_pic_file_pos = 1;
    rec.recent_pic_files[0].assign("/home/user/fw.hex");
    seed("settings", "recent", record_bytes(rec));
    rec.version.assign("1.07");
    seed("settings", "old_version", record_bytes(rec));
}

void fault_seeds() {
    const char* texts[] = {"empty", "id=0x09E7,stuck=0x10:0x0001", "protect, tprog=20", "stuck=5:0xFFFF,bogus",
                           "id=65535,tprog=0x3A98"};
    int n = 0;
    for (const char* t : texts) seed("sim_faults", "faults_" + std::to_string(n++), t);
}

// Read-block replies: a good one, a short one, a wrong checksum, a wrong procedure byte.
void card_seeds() {
    for (std::size_t n : {8u, 32u, 128u}) {
        std::string reply(1, char(0x01));
        std::uint8_t sum = 0;
        for (std::size_t k = 0; k < n; ++k) {
            reply += char(k * 3);
            sum ^= std::uint8_t(k * 3);
        }
        const std::string good = reply + char(sum);
        const int selector = int(n - 1);
        seed("card_block", "good_" + std::to_string(n), char(selector) + good);
        seed("card_block", "verify_" + std::to_string(n), char(selector | 0x80) + good);
        seed("card_block", "short_" + std::to_string(n), char(selector) + reply.substr(0, n / 2));
        seed("card_block", "bad_sum_" + std::to_string(n), char(selector) + reply + char(sum ^ 0x5A));
        seed("card_block", "no_ack_" + std::to_string(n), char(selector) + std::string(n + 2, char(0x23)));
    }
}

// DEVICE=FILE: the file with that device's selector byte.
bool file_seed(const std::string& arg) {
    const auto eq = arg.find('=');
    if (eq == std::string::npos) return false;
    const std::string device = arg.substr(0, eq);
    std::ifstream in(arg.substr(eq + 1), std::ios::binary);
    if (!in) return false;
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    for (int d = 0; d < kPicDeviceCount; ++d) {
        std::string name = pic_device(d).name.str();
        name.erase(name.find_last_not_of(' ') + 1);
        if (name == device) {
            seed("pic_hex", "file_" + fs::path(arg.substr(eq + 1)).stem().string(), with_selector(d, bytes));
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUT_DIR [DEVICE=FILE.hex ...]\n");
        return 2;
    }
    out_dir = argv[1];
    pic_seeds();
    eeprom_seeds();
    settings_seeds();
    fault_seeds();
    card_seeds();
    for (int i = 2; i < argc; ++i) {
        if (!file_seed(argv[i])) {
            std::fprintf(stderr, "fuzz_seeds: cannot use %s\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
