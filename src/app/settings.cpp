#include "app/settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>

#include <unistd.h>

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

std::filesystem::path settings_directory(const std::filesystem::path& program_dir) {
    if (const char* dir = std::getenv("KORVANE_CONFIG_DIR"); dir && *dir) return dir;
    if (!program_dir.empty() && ::access(program_dir.c_str(), W_OK) == 0) return program_dir;
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
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    rec = SettingsRecord{};
    in.read(reinterpret_cast<char*>(&rec), sizeof rec);
    // The version text is compared with its length byte: "\x04" "1.08".
    const std::size_t n = std::strlen(kSettingsVersion);
    return static_cast<std::size_t>(in.gcount()) > n && rec.version.len == n &&
           std::memcmp(rec.version.chars, kSettingsVersion, n) == 0;
}

void load_settings(const std::filesystem::path& dir, const std::string& program_dir, SettingsRecord& rec) {
    rec = SettingsRecord{};
    if (read_settings_file(dir / kSettingsFileName, rec)) return;
    apply_settings_defaults(rec, program_dir);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    save_settings(dir, rec);
}

bool save_settings(const std::filesystem::path& dir, const SettingsRecord& rec) {
    const auto target = dir / kSettingsFileName;
    const auto temp = dir / (std::string(kSettingsFileName) + ".tmp");
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(&rec), sizeof rec);
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
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

void add_recent_device(SettingsRecord& rec, int kind, int index) {
    for (const auto& s : rec.recent_devices)
        if (s.kind == kind && (kind == 1 ? s.pic_index : s.eeprom_index) == index) return;
    int pos = rec.recent_device_pos >= 10 ? 1 : rec.recent_device_pos + 1;
    rec.recent_device_pos = std::uint8_t(pos);
    auto& slot = rec.recent_devices[pos - 1];
    slot.kind = std::uint8_t(kind);
    (kind == 1 ? slot.pic_index : slot.eeprom_index) = std::uint8_t(index);
}

namespace {
void add_recent_file(PString<128> (&ring)[10], std::uint8_t& pos, const std::string& path) {
    std::string name = path.substr(0, 128);
    for (const auto& s : ring)
        if (s.view() == name) return;
    pos = pos >= 10 ? 1 : std::uint8_t(pos + 1);
    ring[pos - 1].assign(name);
}
} // namespace

void add_recent_pic_file(SettingsRecord& rec, const std::string& path) {
    add_recent_file(rec.recent_pic_files, rec.recent_pic_file_pos, path);
}
void add_recent_eeprom_file(SettingsRecord& rec, const std::string& path) {
    add_recent_file(rec.recent_eeprom_files, rec.recent_eeprom_file_pos, path);
}

} // namespace korvane
