// korvane-cli [-d DEVICE] [-P PORT] [-c JDM|X-JDM|HELL] COMMAND [ARGS]
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/program_dir.h"
#include "app/settings.h"
#include "cli/cli.h"
#include "eeprom/eeprom_catalogue.h"
#include "pic/pic_catalogue.h"

namespace korvane::cli {
namespace {

std::vector<Command>& registry() {
    static std::vector<Command> r;
    return r;
}

void print_help() {
    std::cout << "Usage: korvane-cli [-d DEVICE] [-P PORT] [-c JDM|X-JDM|HELL] COMMAND [ARGS]\n\n"
                 "  -d DEVICE   PIC or 24Cxx device, e.g. 16F84, 16F877, 18F452, 24C16\n"
                 "              (default: the PIC device of the settings file)\n"
                 "  -P PORT     programmer port for this run: COM1..COM9 or SIM\n"
                 "  -c TYPE     programmer type for this run: JDM, X-JDM or HELL\n"
                 "  --trace FILE.vcd\n"
                 "              device and card commands: record the programmer lines of the run\n"
                 "              to a VCD file (PulseView, GTKWave, sigrok-cli -I vcd)\n\n"
                 "Commands:\n";
    auto cmds = registry();
    std::sort(cmds.begin(), cmds.end(), [](auto& a, auto& b) { return a.name < b.name; });
    for (const auto& c : cmds) std::cout << "  " << c.synopsis << "\n";
    std::cout << "\n`korvane-cli COMMAND --help` describes one command.\n"
                 "Settings are read from the settings file and never written.\n"
                 "Exit status: 0 success, 1 a reported failure, 2 a usage error.\n";
}

std::string upper(std::string s) {
    for (auto& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

bool register_command(Command c) {
    registry().push_back(std::move(c));
    return true;
}

const std::vector<Command>& commands() { return registry(); }

int usage_error(const std::string& command, const std::string& message) {
    std::cerr << "korvane-cli: " << message << "\n";
    for (const auto& c : registry())
        if (c.name == command) std::cerr << "usage: korvane-cli [options] " << c.synopsis << "\n";
    if (command.empty()) std::cerr << "Try `korvane-cli --help`.\n";
    return kExitUsage;
}

int set_port(const std::string& command, const std::string& port, PString<4>& dest) {
    const std::string p = upper(port);
    if (p.size() > 4) return usage_error(command, "port names have at most 4 characters: " + port);
    dest.assign(p);
    return kExitOk;
}

} // namespace korvane::cli

int main(int argc, char** argv) {
    using namespace korvane;
    using namespace korvane::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    Context ctx;
    std::string device, port, type;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") { print_help(); return kExitOk; }
        if (a == "-d" || a == "-P" || a == "-c" || a == "--trace") {
            if (i + 1 >= args.size()) return usage_error("", "option " + a + " needs a value");
            (a == "-d" ? device : a == "-P" ? port : a == "-c" ? type : ctx.trace_file) = args[++i];
            continue;
        }
        if (!a.empty() && a[0] == '-') return usage_error("", "unknown option " + a);
        break;
    }
    if (i >= args.size()) return usage_error("", "no command given");
    std::string name = args[i];
    ctx.args.assign(args.begin() + std::ptrdiff_t(i) + 1, args.end());
    // --trace may also follow the command.
    for (std::size_t k = 0; k < ctx.args.size(); ++k)
        if (ctx.args[k] == "--trace") {
            if (k + 1 >= ctx.args.size()) return usage_error(name, "option --trace needs a value");
            ctx.trace_file = ctx.args[k + 1];
            ctx.args.erase(ctx.args.begin() + std::ptrdiff_t(k), ctx.args.begin() + std::ptrdiff_t(k) + 2);
            break;
        }
    const Command* cmd = nullptr;
    for (const auto& c : commands())
        if (c.name == name) cmd = &c;
    if (!cmd) return usage_error("", "unknown command " + name);
    static const char* const kTraced[] = {"read", "program", "verify", "erase", "clearcp", "card"};
    if (!ctx.trace_file.empty() &&
        std::none_of(std::begin(kTraced), std::end(kTraced), [&](const char* t) { return name == t; }))
        return usage_error(name, "--trace works with the device and card commands only");
    for (const auto& a : ctx.args)
        if (a == "--help" || a == "-h") {
            std::cout << "usage: korvane-cli [options] " << cmd->synopsis << "\n\n" << cmd->help << "\n";
            return kExitOk;
        }

    // The CLI reads the settings file but never writes it: without a usable file it runs on defaults.
    const std::string program_dir = program_directory();
    auto file = settings_directory(program_dir) / kSettingsFileName;
    if (!read_settings_file(file, ctx.settings)) {
        ctx.settings = SettingsRecord{};
        apply_settings_defaults(ctx.settings, program_dir);
    }
    ctx.pic_device = std::min<int>(ctx.settings.pic_device, kPicDeviceCount - 1);
    ctx.eeprom_device = std::min<int>(ctx.settings.eeprom_device, kEEPromTypeCount - 1);
    if (!type.empty()) {
        std::string t = upper(type);
        int n = t == "JDM" ? 0 : t == "X-JDM" ? 1 : t == "HELL" ? 2 : -1;
        if (n < 0) return usage_error(name, "unknown programmer type " + type);
        ctx.settings.programmer_type = std::uint8_t(n);
    }
    if (!device.empty()) {
        if (int p = pic_device_by_name(device); p >= 0) {
            ctx.pic_device = p;
            ctx.settings.pic_device = std::uint8_t(p);
        } else if (int e = eeprom_type_by_name(device); e >= 0) {
            ctx.device_is_eeprom = true;
            ctx.eeprom_device = e;
            ctx.settings.eeprom_device = std::uint8_t(e);
        } else {
            return usage_error(name, "unknown device " + device + " (see `korvane-cli devices`)");
        }
    }
    if (!port.empty())
        if (int rc = set_port(name, port, ctx.settings.current_programmer().port_name); rc != kExitOk) return rc;
    try {
        return cmd->run(ctx);
    } catch (const std::exception& e) {
        std::cerr << "korvane-cli: " << e.what() << "\n";
        return kExitFailure;
    }
}
