// korvane-cli [-d DEVICE] compare A B
#include <iostream>
#include <memory>

#include "app/buffer_compare.h"
#include "buffers/eeprom_buffers.h"
#include "buffers/pic_buffers.h"
#include "cli/cli.h"
#include "eeprom/eeprom_catalogue.h"
#include "files/eeprom_files.h"
#include "files/pic_files.h"
#include "pic/pic_catalogue.h"

namespace korvane::cli {
namespace {

// Each row with differences as the window shows it: A's grid row, then B's row (the strip), then
// the differing elements of that row.
int list_differences(Context& ctx, BufferComparison& c, const std::uint16_t* aw, const std::uint16_t* bw,
                     const std::uint8_t* ab, const std::uint8_t* bb) {
    if (!c.found()) {
        info_box(ctx.host, kCompareCaption, {kNoDifferencesFound});
        return kExitOk;
    }
    const CompareLayout& layout = c.layout();
    const std::uint32_t len = std::uint32_t(layout.row_length());
    std::uint32_t last_row = ~0u;
    do {
        const std::uint32_t row = c.position() / len;
        if (row == last_row) continue;
        last_row = row;
        std::cout << "A " << compare_row_text(layout, aw, ab, c.position()) << "\n"
                  << "B " << compare_row_text(layout, bw, bb, c.position()) << "\n";
    } while (c.next());
    std::cout << c.difference_count() << (c.difference_count() == 1 ? " difference" : " differences") << "\n";
    return kExitFailure;
}

int run_compare(Context& ctx) {
    if (ctx.args.size() != 2) return usage_error("compare", "compare needs two image files");
    if (ctx.device_is_eeprom) {
        auto a = std::make_unique<EEPromImage>(), b = std::make_unique<EEPromImage>();
        clear_eeprom_image(*a, ctx.eeprom_device);
        clear_eeprom_image(*b, ctx.eeprom_device);
        if (!load_eeprom_file_by_name({*a, ctx.eeprom_device, ctx.settings, ctx.host}, ctx.args[0]) ||
            !load_eeprom_file_by_name({*b, ctx.eeprom_device, ctx.settings, ctx.host}, ctx.args[1]))
            return kExitFailure;
        const TEEPromType& type = eeprom_type(ctx.eeprom_device);
        BufferComparison c(a->bytes.data(), b->bytes.data(), type.last_address + 1, type.size >= 65536);
        return list_differences(ctx, c, nullptr, nullptr, a->bytes.data(), b->bytes.data());
    }
    auto a = std::make_unique<PicImage>(), b = std::make_unique<PicImage>();
    clear_pic_image(*a, ctx.pic_device);
    clear_pic_image(*b, ctx.pic_device);
    if (!open_pic_file({*a, ctx.pic_device, ctx.settings, ctx.host}, ctx.args[0]) ||
        !open_pic_file({*b, ctx.pic_device, ctx.settings, ctx.host}, ctx.args[1]))
        return kExitFailure;
    BufferComparison c(a->code.data(), b->code.data(), std::uint32_t(pic_device(ctx.pic_device).code_size));
    return list_differences(ctx, c, a->code.data(), b->code.data(), nullptr, nullptr);
}

const bool registered = register_command(
    {"compare", "compare A B",
     "Compares two image files of the device element by element, as Buffer > Compare does:\n"
     "PIC devices compare the program words of two Intel HEX files, 24Cxx devices the bytes\n"
     "0 .. last address of two EEPROM files (.bin or .hex). Each row holding differences is\n"
     "printed twice, as the grid shows A's row (\"A ...\") and the compare strip B's (\"B ...\"),\n"
     "then the number of differing elements. Identical images print\n"
     "\" Compare Buffers: No differencies found!\" on stderr.\n"
     "Exit status: 0 identical, 1 differences (or a file that could not be read).",
     run_compare});

} // namespace
} // namespace korvane::cli
