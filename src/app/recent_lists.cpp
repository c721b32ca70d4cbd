#include "app/recent_lists.h"

#include "app/settings.h"
#include "eeprom/eeprom_catalogue.h"
#include "pic/pic_catalogue.h"

namespace korvane {

namespace {

// A damaged position above 10 restarts the ring at slot 1, as 10 does.
std::uint8_t next_position(std::uint8_t pos) { return pos >= kRecentSlots ? 1 : std::uint8_t(pos + 1); }

void add_recent_file(PString<128> (&ring)[kRecentSlots], std::uint8_t& pos, const std::string& path) {
    const std::string_view name = std::string_view(path).substr(0, 128);
    for (const auto& s : ring)
        if (s.view() == name) return;
    pos = next_position(pos);
    ring[pos - 1].assign(name);
}

} // namespace

void add_recent_device(SettingsRecord& rec, int kind, int index) {
    if (kind != kRecentPic && kind != kRecentEEProm) return;
    for (const auto& s : rec.recent_devices)
        if (s.kind == kind && (kind == kRecentPic ? s.pic_index : s.eeprom_index) == index) return;
    rec.recent_device_pos = next_position(rec.recent_device_pos);
    auto& slot = rec.recent_devices[rec.recent_device_pos - 1];
    slot.kind = std::uint8_t(kind);
    (kind == kRecentPic ? slot.pic_index : slot.eeprom_index) = std::uint8_t(index);
}

void add_recent_pic_file(SettingsRecord& rec, const std::string& path) {
    add_recent_file(rec.recent_pic_files, rec.recent_pic_file_pos, path);
}

void add_recent_eeprom_file(SettingsRecord& rec, const std::string& path) {
    add_recent_file(rec.recent_eeprom_files, rec.recent_eeprom_file_pos, path);
}

std::vector<RecentDeviceItem> recent_device_items(const SettingsRecord& rec) {
    std::vector<RecentDeviceItem> items;
    for (int i = 0; i < kRecentSlots; ++i) {
        const auto& s = rec.recent_devices[i];
        if (s.kind == kRecentPic && s.pic_index < kPicDeviceCount)
            items.push_back({i + 1, kRecentPic, s.pic_index, pic_device_title(s.pic_index)});
        else if (s.kind == kRecentEEProm && eeprom_index_valid(s.eeprom_index))
            items.push_back({i + 1, kRecentEEProm, s.eeprom_index, eeprom_device_title(s.eeprom_index)});
    }
    return items;
}

std::vector<RecentFileItem> recent_file_items(const SettingsRecord& rec) {
    std::vector<RecentFileItem> items;
    for (int i = 0; i < kRecentSlots; ++i)
        if (!rec.recent_pic_files[i].view().empty())
            items.push_back({i + 1, i + 1, false, rec.recent_pic_files[i].str()});
    for (int i = 0; i < kRecentSlots; ++i)
        if (!rec.recent_eeprom_files[i].view().empty())
            items.push_back({kRecentSlots + i + 1, i + 1, true, rec.recent_eeprom_files[i].str()});
    return items;
}

bool recent_file_choice_allowed(bool eeprom_entry, int work_mode, bool busy) {
    if (busy) return false;
    return eeprom_entry ? (work_mode == 2 || work_mode == 4) : work_mode == 1;
}

} // namespace korvane
