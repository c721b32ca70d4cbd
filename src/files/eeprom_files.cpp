#include "files/eeprom_files.h"

#include "eeprom/eeprom_catalogue.h"
#include "files/eeprom_image_files.h"
#include "files/file_access.h"
#include "files/file_messages.h"
#include "files/file_names.h"

namespace korvane {
namespace {

void report(const EEPromFileContext& ctx, const std::vector<std::string>& body) {
    error_box(ctx.host, eeprom_device_title(ctx.type_index), body);
}

void take_name(const EEPromFileContext& ctx, const std::string& name) {
    ctx.settings.last_eeprom_dir.assign(directory_part(name));
    ctx.image.file_name = name;
    ctx.host.set_status_text(kFileStatusPanel, display_name(name));
}

} // namespace

bool load_eeprom_file_by_name(const EEPromFileContext& ctx, const std::string& name) {
    take_name(ctx, name);
    const std::string type = file_type(name);
    if (type != "BIN" && type != "HEX") {
        report(ctx, {kFileTypeNotCorrect});
        return false;
    }
    std::ifstream in;
    if (!open_input_file(name, in)) {
        report(ctx, {kInvalidFileName});
        return false;
    }
    ctx.image.empty = false;
    // A name cut to the record's 128 characters would point elsewhere: longer ones are not kept.
    if (name.size() <= kStoredNameMax) add_recent_eeprom_file(ctx.settings, name);
    if (type == "BIN") {
        read_eeprom_bin(in, ctx.image, ctx.type_index);
        return true;
    }
    if (read_eeprom_hex(in, ctx.image, ctx.type_index) == HexReadResult::BadChecksum) {
        report(ctx, {kCheckSumNotCorrect});
        return false;
    }
    return true;
}

bool save_eeprom_file(const EEPromFileContext& ctx, const std::string& name) {
    const std::string type = file_type(name);
    if (type != "BIN" && type != "HEX") {
        report(ctx, {kFileTypeNotCorrect});
        return false;
    }
    take_name(ctx, name);
    const std::string bytes = type == "BIN" ? eeprom_bin_bytes(ctx.image, ctx.type_index)
                                            : eeprom_hex_text(ctx.image, ctx.type_index);
    if (write_whole_file(name, bytes)) return true;
    report(ctx, {kCouldntWriteFile, name});
    return false;
}

} // namespace korvane
