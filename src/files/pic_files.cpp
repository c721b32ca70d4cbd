#include "files/pic_files.h"

#include "files/file_access.h"
#include "files/file_messages.h"
#include "files/file_names.h"
#include "files/pic_hex_reader.h"
#include "files/pic_hex_writer.h"
#include "pic/pic_catalogue.h"

namespace korvane {
namespace {

void report(const PicFileContext& ctx, const std::vector<std::string>& body) {
    error_box(ctx.host, pic_device_title(ctx.device_index), body);
}

} // namespace

bool open_pic_file(const PicFileContext& ctx, const std::string& name) {
    if (file_type(name) != "HEX") {
        report(ctx, {kFileTypeNotCorrect});
        return false;
    }
    return load_pic_file_by_name(ctx, name, true);
}

bool load_pic_file_by_name(const PicFileContext& ctx, const std::string& name, bool add_to_recent) {
    ctx.settings.last_pic_dir.assign(directory_part(name));
    ctx.image.file_name = name;
    std::ifstream in;
    if (!open_input_file(name, in)) {
        report(ctx, {kInvalidFileName});
        return false;
    }
    ctx.image.empty = false;
    ctx.host.set_status_text(kFileStatusPanel, display_name(name));
    // A name cut to the record's 128 characters would point elsewhere: longer ones are not kept.
    if (add_to_recent && name.size() <= kStoredNameMax) add_recent_pic_file(ctx.settings, name);
    if (read_pic_hex(in, ctx.image, ctx.device_index) == HexReadResult::BadChecksum) {
        report(ctx, {kCheckSumNotCorrect});
        return false;
    }
    return true;
}

bool save_pic_file(const PicFileContext& ctx, const std::string& name) {
    if (write_pic_hex_file(name, ctx.image, ctx.device_index)) return true;
    report(ctx, {kCouldntWriteFile, name});
    return false;
}

} // namespace korvane
