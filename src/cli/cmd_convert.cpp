// korvane-cli [-d DEVICE] convert IN OUT
#include <memory>

#include "buffers/eeprom_buffers.h"
#include "buffers/pic_buffers.h"
#include "cli/cli.h"
#include "files/eeprom_files.h"
#include "files/pic_files.h"

namespace korvane::cli {
namespace {

int run_convert(Context& ctx) {
    if (ctx.args.size() != 2) return usage_error("convert", "convert needs an input and an output file");
    const std::string& in = ctx.args[0];
    const std::string& out = ctx.args[1];
    bool ok = false;
    if (ctx.device_is_eeprom) {
        auto image = std::make_unique<EEPromImage>();
        clear_eeprom_image(*image, ctx.eeprom_device);
        const EEPromFileContext files{*image, ctx.eeprom_device, ctx.settings, ctx.host};
        ok = load_eeprom_file_by_name(files, in) && save_eeprom_file(files, out);
    } else {
        auto image = std::make_unique<PicImage>();
        clear_pic_image(*image, ctx.pic_device);
        const PicFileContext files{*image, ctx.pic_device, ctx.settings, ctx.host};
        ok = open_pic_file(files, in) && save_pic_file(files, out);
    }
    return ok ? kExitOk : kExitFailure;
}

const bool registered = register_command(
    {"convert", "convert IN OUT",
     "Loads IN into a blank buffer of the device and saves it as OUT.\n"
     "PIC devices: IN must be an Intel HEX file (.hex); OUT is written as Intel HEX\n"
     "(INHX8M for the 16F family, INHX32 for the 18F family) whatever its name.\n"
     "24Cxx devices: the format of IN and OUT follows the extension, .bin raw binary\n"
     "or .hex INHX8; files are sized to the EEPROM type.\n"
     "The device comes from -d, else from the settings file.",
     run_convert});

} // namespace
} // namespace korvane::cli
