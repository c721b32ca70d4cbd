#pragma once
// The recent-device ring and the two recent-file rings of the settings record (10 slots each),
// and the menu entries the window builds from them.
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

struct SettingsRecord;

enum RecentDeviceKind : int { kRecentEmpty = 0, kRecentPic = 1, kRecentEEProm = 2 };
constexpr int kRecentSlots = 10;

// Adds a device (kind 1: PIC catalogue index, kind 2: EEPROM type index). A slot already holding
// the same kind and index means nothing changes; otherwise the position advances (10 wraps to 1)
// and that slot is overwritten, its other index byte kept. Other kinds are ignored.
void add_recent_device(SettingsRecord& rec, int kind, int index);

// Adds a full path (cut to 128 characters) unless a slot holds exactly the same text.
void add_recent_pic_file(SettingsRecord& rec, const std::string& path);
void add_recent_eeprom_file(SettingsRecord& rec, const std::string& path);

// One shown item of Settings > Recent Device: `RecentDev<slot>`, tag = slot.
struct RecentDeviceItem {
    int slot;               // 1..10
    int kind;               // kRecentPic or kRecentEEProm
    int index;              // PIC catalogue index or EEPROM type index
    std::string caption;    // "PIC 16F84  " or "EEProm 24C16"
};
// The non-empty slots in slot order (not order of use). A slot whose index lies outside its
// table (damaged file) is not offered.
std::vector<RecentDeviceItem> recent_device_items(const SettingsRecord& rec);

// One shown item of File > Recent Files: `RecentList<item>`; items 1..10 are the PIC slots,
// 11..20 the EEPROM slots, with a separator between the two groups.
struct RecentFileItem {
    int item;               // 1..20
    int slot;               // 1..10 within its list
    bool eeprom;            // from the recent EEPROM files list
    std::string path;       // the caption: the full path
};
// Non-empty PIC slots in slot order, then non-empty EEPROM slots in slot order.
std::vector<RecentFileItem> recent_file_items(const SettingsRecord& rec);

// Whether choosing a recent file does anything: PIC entries only in the PIC mode (1), EEPROM
// entries only in the EEPROM (2) or ISO-EEPROM (4) mode, never while a task runs.
bool recent_file_choice_allowed(bool eeprom_entry, int work_mode, bool busy);

} // namespace korvane
