// korvane-cli read, program, verify and erase for a 24Cxx named with -d: the EEPROM tasks of the
// window (confirmations answered Yes) on one EEPROM image, from and to .bin or .hex files.
#include <memory>

#include "app/eeprom_tasks.h"
#include "buffers/eeprom_buffers.h"
#include "cli/cli_trace.h"
#include "cli/task_support.h"
#include "eeprom/eeprom_catalogue.h"
#include "eeprom/ti2c.h"
#include "files/eeprom_files.h"
#include "files/file_names.h"
#include "hardware/serial_io.h"
#include "pic/serial_io_lines.h"

namespace korvane::cli {
namespace {

class NullEEPromView : public IEEPromTaskView {
public:
    void enable_abort() override {}
    void disable_abort() override {}
    void enable_device_list(bool) override {}
    void refresh_eeprom_view(bool) override {}
};

bool parse_eeprom_options(Context& ctx, std::vector<std::string>& files, std::string& error) {
    auto& s = ctx.settings;
    for (std::size_t i = 0; i < ctx.args.size(); ++i) {
        const std::string& a = ctx.args[i];
        if (a == "--no-verify") s.eprom_verify_after = 0;
        else if (a == "--verify-after") s.eprom_verify_after = 1;
        else if (a == "--bit-time") {
            unsigned us = 0;
            if (!parse_number_option(ctx.args, i, "microseconds", 255, us, error)) return false;
            s.current_programmer().eeprom_bit_time_us = std::uint32_t(us);
        } else if (!parse_common_arg(ctx.args, i, s, files, a + " is not an option for EEPROMs", error)) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string eeprom_task_help() {
    return "With -d 24C01 .. 24C512 the command works on the serial EEPROM in the socket; FILE is a\n"
           "raw image (.bin) or Intel HEX (.hex), by its extension. Options for EEPROMs:\n"
           "  --verify-after, --no-verify\n"
           "                            verify the whole EEPROM after programming (or not)\n"
           "  --bit-time US             EEPROM bit time (wait after every line change)\n"
           "  --io direct|api           UART registers or serial calls";
}

int run_eeprom_command(Context& ctx, const std::string& name) {
    EEPromTask task;
    if (name == "read") task = EEPromTask::Read;
    else if (name == "program") task = EEPromTask::Program;
    else if (name == "verify") task = EEPromTask::Verify;
    else if (name == "erase") task = EEPromTask::Erase;
    else return usage_error(name, name + " works on PIC devices only");

    std::vector<std::string> paths;
    std::string error;
    if (!parse_eeprom_options(ctx, paths, error)) return usage_error(name, error);
    const bool needs_file = task != EEPromTask::Erase;
    if (auto e = file_count_error(name, paths.size(), needs_file, ".bin or .hex file"); !e.empty())
        return usage_error(name, e);
    if (needs_file) {
        const std::string type = file_type(paths[0]);
        if (type != "BIN" && type != "HEX") return usage_error(name, paths[0] + ": the file must be .bin or .hex");
    }

    TaskHost host;
    const int type = ctx.eeprom_device;
    auto image = std::make_unique<EEPromImage>();
    clear_eeprom_image(*image, type);
    const EEPromFileContext files{*image, type, ctx.settings, host};
    if ((task == EEPromTask::Program || task == EEPromTask::Verify) && !load_eeprom_file_by_name(files, paths[0]))
        return kExitFailure;

    PortResolver& resolver = default_port_resolver();
    grant_direct_io(ctx.settings, host, resolver);
    const int rc = run_traced(ctx, TraceKind::Eeprom, resolver, [&] {
        Serial_IO io(ctx.settings, host, resolver);
        io.set_eeprom_line_mode(true);
        SerialIoLines lines(io, resolver);
        TI2C ee(ctx.settings, host, lines);
        ee.load_programmer_params();
        ee.set_type(type);
        ee.image = image->bytes.data();
        TerminalProgress bar;
        attach_progress(host, bar, ee.progress_bar);
        NullEEPromView view;
        EEPromTaskRunner runner(ctx.settings, host, view, ee);
        return run_abortable(host, runner, [&] { runner.abort(); }, task, *image) == TaskResult::Done ? kExitOk
                                                                                                       : kExitFailure;
    });
    if (rc != kExitOk || task != EEPromTask::Read) return rc;
    const bool saved = save_eeprom_file(files, paths[0]);
    return finish_read(saved, eeprom_device_title(type), paths[0]);
}

} // namespace korvane::cli
