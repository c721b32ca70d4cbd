// The settings-file loader. A file of our version reads into a record whose table indices are
// all in range, and reading is stable (the repaired record reads back as itself); a file of
// another version gets defaults that leave nothing to repair. The record's users that index
// tables or rings run on what was read.
#include <cstring>
#include <sstream>
#include <string>

#include "app/recent_lists.h"
#include "app/settings.h"
#include "eeprom/eeprom_catalogue.h"
#include "fuzz_input.h"
#include "pic/pic_catalogue.h"

using namespace korvane;

namespace {

std::string bytes_of(const SettingsRecord& rec) {
    return std::string(reinterpret_cast<const char*>(&rec), sizeof rec);
}

bool needs_repair(const SettingsRecord& rec) {
    SettingsRecord copy = rec;
    repair_settings_ranges(copy);
    return bytes_of(copy) != bytes_of(rec);
}

void use(SettingsRecord& rec) {
    std::size_t total = application_title(rec).size() + rec.log_path.str().size();
    total += std::strlen(programmer_name(rec.programmer_type)) + rec.current_programmer().port_name.str().size();
    total += pic_device_title(rec.pic_device).size() + pic_device_title(rec.iso_pic_device).size();
    total += eeprom_device_title(rec.eeprom_device).size() + eeprom_device_title(rec.iso_eeprom_device).size();
    for (const auto& item : recent_device_items(rec)) total += item.caption.size();
    for (const auto& item : recent_file_items(rec)) total += item.path.size();
    add_recent_device(rec, kRecentPic, rec.pic_device);
    add_recent_device(rec, kRecentEEProm, rec.eeprom_device);
    add_recent_pic_file(rec, "/home/user/a.hex");
    add_recent_eeprom_file(rec, std::string(200, 'e'));
    fuzz::require(total > 0 && !needs_repair(rec), "the record's users keep it in range");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in{std::string(reinterpret_cast<const char*>(data), size)};
    SettingsRecord rec;
    if (read_settings(in, rec)) {
        fuzz::require(!needs_repair(rec), "a file of our version reads in range");
        std::istringstream again(bytes_of(rec));
        SettingsRecord back;
        fuzz::require(read_settings(again, back) && bytes_of(back) == bytes_of(rec), "reading is stable");
    } else {
        apply_settings_defaults(rec, "/opt/korvane/");
        fuzz::require(!needs_repair(rec), "defaults leave nothing to repair");
    }
    use(rec);
    return 0;
}
