// korvane-cli devices
#include <cstdio>
#include <iostream>

#include "cli/cli.h"
#include "eeprom/eeprom_catalogue.h"
#include "pic/pic_catalogue.h"

namespace korvane::cli {
namespace {

int run_devices(Context& ctx) {
    if (!ctx.args.empty()) return usage_error("devices", "devices takes no arguments");
    std::cout << "PIC devices:\n";
    for (int i = 0; i < kPicDeviceCount; ++i) {
        const auto& d = pic_device(i);
        char line[96];
        std::snprintf(line, sizeof line, "  %-7s  %5u words program, %3u bytes data EEPROM\n",
                      d.name.str().c_str(), unsigned(d.code_size), unsigned(d.data_size));
        std::cout << line;
    }
    std::cout << "I2C EEPROMs:\n";
    for (int i = 0; i < kEEPromTypeCount; ++i) {
        const auto& t = eeprom_type(i);
        char line[64];
        std::snprintf(line, sizeof line, "  %-7s  %5u bytes\n", t.list_name, unsigned(t.size));
        std::cout << line;
    }
    return kExitOk;
}

const bool registered = register_command(
    {"devices", "devices", "Lists the PIC and 24Cxx devices with their sizes.", run_devices});

} // namespace
} // namespace korvane::cli
