#pragma once
// korvane-cli: commands register themselves (one file per command group) and get a context with
// the settings record, the chosen device and a host that prints to stderr.
#include <functional>
#include <string>
#include <vector>

#include "app/host.h"
#include "app/settings.h"

namespace korvane::cli {

// Message boxes go to stderr as "CAPTION: line; line"; questions are answered Yes.
class CliHost : public IHost {
public:
    int message_box(const std::vector<std::string>& lines, MsgKind kind,
                    const std::vector<int>& buttons) override;
    void set_status_text(int, const std::string&) override {}
    bool reported_error() const { return errors_ > 0; }
    int boxes_shown() const { return boxes_; }
private:
    int errors_ = 0;
    int boxes_ = 0;
};

struct Context {
    SettingsRecord settings{};       // as read from the settings file (never written back)
    bool device_is_eeprom = false;   // -d names a 24Cxx type
    int pic_device = 0;              // catalogue index when !device_is_eeprom
    int eeprom_device = 4;           // type index when device_is_eeprom
    std::vector<std::string> args;   // the command's own arguments
    std::string trace_file;          // --trace FILE.vcd: the run's line trace
    CliHost host;
};

// Exit codes: 0 success, 1 a reported failure, 2 a usage error.
constexpr int kExitOk = 0, kExitFailure = 1, kExitUsage = 2;

struct Command {
    std::string name;
    std::string synopsis;   // "convert IN OUT"
    std::string help;       // shown by `korvane-cli COMMAND --help`
    std::function<int(Context&)> run;
};

// Called from a static object in each command file.
bool register_command(Command c);
const std::vector<Command>& commands();

// Prints "korvane-cli: <message>" and the usage line of the command; returns kExitUsage.
int usage_error(const std::string& command, const std::string& message);

// A port for this run: PORT in capitals into `dest`. A name longer than a stored port name is a
// usage error of `command`. Returns the exit status, kExitOk when set.
int set_port(const std::string& command, const std::string& port, PString<4>& dest);

} // namespace korvane::cli
