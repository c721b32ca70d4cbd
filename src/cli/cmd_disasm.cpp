// korvane-cli [-d DEVICE] disasm IN.hex [OUT.asm] [--radix dec|hex|oct|bin] [--fuses on|off]
//             [--offset on|off] [--opcode on|off]
#include <iostream>
#include <memory>

#include "buffers/pic_buffers.h"
#include "cli/cli.h"
#include "disasm/assembler_view.h"
#include "disasm/listing_file.h"
#include "files/pic_files.h"

namespace korvane::cli {
namespace {

constexpr const char* kName = "disasm";

bool parse_switch(const std::string& value, bool& out) {
    if (value == "on") out = true;
    else if (value == "off") out = false;
    else return false;
    return true;
}

bool parse_radix(const std::string& value, Radix& out) {
    if (value == "dec") out = Radix::Decimal;
    else if (value == "hex") out = Radix::Hexadecimal;
    else if (value == "oct") out = Radix::Octal;
    else if (value == "bin") out = Radix::Binary;
    else return false;
    return true;
}

int run_disasm(Context& ctx) {
    if (ctx.device_is_eeprom) return usage_error(kName, "disasm needs a PIC device");
    ListingOptions options = listing_options(ctx.settings);
    std::vector<std::string> files;
    for (std::size_t i = 0; i < ctx.args.size(); ++i) {
        const std::string& a = ctx.args[i];
        if (a.rfind("--", 0) != 0) {
            files.push_back(a);
            continue;
        }
        if (i + 1 >= ctx.args.size()) return usage_error(kName, "option " + a + " needs a value");
        const std::string& v = ctx.args[++i];
        bool ok = false;
        if (a == "--radix") ok = parse_radix(v, options.radix);
        else if (a == "--fuses") ok = parse_switch(v, options.show_fuses);
        else if (a == "--offset") ok = parse_switch(v, options.show_offset);
        else if (a == "--opcode") ok = parse_switch(v, options.show_opcode);
        else return usage_error(kName, "unknown option " + a);
        if (!ok) return usage_error(kName, "bad value " + v + " for " + a);
    }
    if (files.empty() || files.size() > 2) return usage_error(kName, "disasm needs IN.hex and at most one OUT.asm");

    if (!assembler_view_available(ctx.host, ctx.pic_device)) return kExitFailure;

    auto image = std::make_unique<PicImage>();
    clear_pic_image(*image, ctx.pic_device);
    const PicFileContext file_ctx{*image, ctx.pic_device, ctx.settings, ctx.host};
    if (!open_pic_file(file_ctx, files[0])) return kExitFailure;

    const auto lines = disassemble_image(*image, ctx.pic_device, options);
    if (files.size() == 1) {
        std::cout << listing_text(lines) << std::flush;
        return std::cout ? kExitOk : kExitFailure;
    }
    if (!save_listing(files[1], lines)) {
        std::cerr << "korvane-cli: cannot write " << files[1] << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

const bool registered = register_command(
    {kName, "disasm IN.hex [OUT.asm] [--radix dec|hex|oct|bin] [--fuses on|off] [--offset on|off] [--opcode on|off]",
     "Disassembles a 16F HEX image into an assembler listing (CR LF line ends).\n"
     "Without OUT.asm the listing goes to standard output.\n"
     "  --radix   number format of operands (labels are always hexadecimal)\n"
     "  --fuses   list the configuration word\n"
     "  --offset  show program addresses in the first column\n"
     "  --opcode  show program words in the second column\n"
     "Each option defaults to the settings file's value. 18F devices are refused.",
     run_disasm});

} // namespace
} // namespace korvane::cli
