#include "app/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>

#include "eeprom/eeprom_catalogue.h"
#include "pic/pic_catalogue.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace korvane {

const char* programmer_name(int type) {
    switch (type) {
    case kXJDM: return "X-JDM";
    case kHELL: return "HELL";
    default: return "JDM";
    }
}

ProgrammerParams& SettingsRecord::current_programmer() {
    return programmers[std::min<int>(programmer_type, 2)];
}
const ProgrammerParams& SettingsRecord::current_programmer() const {
    return programmers[std::min<int>(programmer_type, 2)];
}

namespace {

ProgrammerParams default_programmer(const char* port, std::uint32_t delay, std::uint32_t tset,
                                    std::uint32_t thld, std::uint32_t bit_time) {
    ProgrammerParams p{};
    p.port_name.assign(port);
    p.direct_io = 1;
    p.prog_delay_ms = delay;
    p.max_retries = 10;
    p.tset0_ms = tset;
    p.thld0_ms = thld;
    p.cmd_delay_us = 0;
    p.bit_time_us = bit_time;
    p.invert_data_out = p.invert_data_in = p.invert_clock = p.invert_mclr = p.invert_vcc = 0;
    p.eeprom_bit_time_us = 1;
    return p;
}

} // namespace

void apply_settings_defaults(SettingsRecord& r, const std::string& program_dir) {
    r.version.assign(kSettingsVersion);
    r.log_path.assign(program_dir + "KVProgLog");
    r.programmer_type = kJDM;
    r.show_progress = 1;
    r.priority = 1;
    r.recent_device_pos = 0;
    for (auto& s : r.recent_devices) s.kind = 0;
    r.confirm_program = r.confirm_erase = r.confirm_cp = r.unprotect_dev = 1;
    r.radix = 1;
    r.dis_fuses = r.show_off = r.show_opcode = 1;
    r.programmers[0] = default_programmer("COM1", 11, 60, 60, 0);
    r.programmers[1] = default_programmer("COM1", 1, 1, 1, 1);
    r.programmers[2] = default_programmer("COM2", 1, 60, 60, 1);
    r.last_pic_dir.assign(program_dir);
    r.pic_device = 0;
    r.write_verify = 1;
    r.verify_after = 0;
    r.erase_before = 1;
    r.check_pic = 1;
    r.skip_3fff = 1;
    r.recent_pic_file_pos = 0;
    for (auto& f : r.recent_pic_files) f.len = 0;
    r.last_eeprom_dir.assign(program_dir);
    r.eeprom_device = 4;
    r.eprom_verify_after = 1;
    r.recent_eeprom_file_pos = 0;
    for (auto& f : r.recent_eeprom_files) f.len = 0;
    r.card_reader_port.assign("COM2");
    r.iso_pic_device = 3;
    r.iso_eeprom_device = 6;
    r.card_reader_clock = 0;
}

void repair_settings_ranges(SettingsRecord& r) {
    if (r.programmer_type > kHELL) r.programmer_type = kJDM;
    if (r.priority > 2) r.priority = 1;
    if (r.radix > 3) r.radix = 1;
    if (r.pic_device >= kPicDeviceCount) r.pic_device = 0;
    if (!eeprom_index_valid(r.eeprom_device)) r.eeprom_device = 4;
    if (r.iso_pic_device >= kPicDeviceCount) r.iso_pic_device = 3;
    if (!eeprom_index_valid(r.iso_eeprom_device)) r.iso_eeprom_device = 6;
    if (r.card_reader_clock > 1) r.card_reader_clock = 0;
    if (r.recent_device_pos > 10) r.recent_device_pos = 0;
    if (r.recent_pic_file_pos > 10) r.recent_pic_file_pos = 0;
    if (r.recent_eeprom_file_pos > 10) r.recent_eeprom_file_pos = 0;
}

namespace {

bool directory_writable(const std::filesystem::path& dir) {
#if defined(_WIN32)
    return ::_waccess(dir.c_str(), 2) == 0;
#else
    return ::access(dir.c_str(), W_OK) == 0;
#endif
}

// Writes all bytes and forces them to the disk before the rename makes them the settings file.
bool write_file_durably(const std::filesystem::path& file, const void* data, std::size_t size) {
#if defined(_WIN32)
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(static_cast<const char*>(data), std::streamsize(size));
    out.flush();
    return bool(out);
#else
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const auto* p = static_cast<const char*>(data);
    bool ok = true;
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) { ok = false; break; }
        p += n;
        size -= std::size_t(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    return ok;
#endif
}

// A program in a system directory came from a package: that is no portable install, even for
// root, who could write there.
bool system_program_directory(const std::filesystem::path& dir) {
#if defined(_WIN32)
    (void)dir;
    return false;
#else
    std::string d = dir.lexically_normal().string();
    while (d.size() > 1 && d.back() == '/') d.pop_back();
    for (const char* system : {"/bin", "/sbin", "/usr/bin", "/usr/sbin", "/usr/games", "/usr/local/bin",
                               "/usr/local/sbin", "/usr/local/games"})
        if (d == system) return true;
    return false;
#endif
}

} // namespace

std::filesystem::path settings_directory(const std::filesystem::path& program_dir) {
    if (const char* dir = std::getenv("KORVANE_CONFIG_DIR"); dir && *dir) return dir;
    if (!program_dir.empty() && !system_program_directory(program_dir) && directory_writable(program_dir))
        return program_dir;
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".config";
    else
        base = ".";
    return base / "korvane";
}

bool read_settings_file(const std::filesystem::path& file, SettingsRecord& rec) {
    rec = SettingsRecord{};
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    return read_settings(in, rec);
}

bool read_settings(std::istream& in, SettingsRecord& rec) {
    rec = SettingsRecord{};
    in.read(reinterpret_cast<char*>(&rec), sizeof rec);
    // The version is compared with its length byte: the first 1 + length bytes must be "\x04" "1.08".
    const std::size_t n = std::strlen(kSettingsVersion);
    const bool match = static_cast<std::size_t>(in.gcount()) > n && rec.version.len == n &&
                       std::memcmp(rec.version.chars, kSettingsVersion, n) == 0;
    if (match) repair_settings_ranges(rec);
    return match;
}

void load_settings(const std::filesystem::path& dir, const std::string& program_dir, SettingsRecord& rec) {
    // On a version mismatch `rec` keeps the old file's bytes; only the defaulted fields change.
    if (read_settings_file(dir / kSettingsFileName, rec)) return;
    apply_settings_defaults(rec, program_dir);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    save_settings(dir, rec);
}

std::filesystem::path settings_temp_path(const std::filesystem::path& dir) {
    return dir / (std::string(kSettingsFileName) + ".tmp");
}

bool save_settings(const std::filesystem::path& dir, const SettingsRecord& rec) {
    const auto target = dir / kSettingsFileName;
    const auto temp = settings_temp_path(dir);
    std::error_code ec;
    if (std::filesystem::exists(temp, ec) && !std::filesystem::is_regular_file(temp, ec)) return false;
    if (!write_file_durably(temp, &rec, sizeof rec)) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

std::string application_title(const SettingsRecord& rec) {
    std::string t = "Korvane " + rec.version.str();
    if (t.size() > 12) t.resize(12);
    return t;
}

} // namespace korvane
