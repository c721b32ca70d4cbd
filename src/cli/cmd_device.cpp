// korvane-cli PIC device commands (16F and 18F families): read, program, verify, erase, clearcp, ports.
// With -d 24Cxx the first four go to the EEPROM commands (cmd_eeprom.cpp).
// They run the same PIC tasks as the window (confirmations answered Yes), against the port of the
// programmer record: a real port or the simulated bench "SIM".
#include <iostream>
#include <memory>

#include "app/pic_tasks.h"
#include "buffers/pic_buffers.h"
#include "cli/cli.h"
#include "cli/cli_trace.h"
#include "cli/task_support.h"
#include "files/pic_files.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"
#include "pic/pic_catalogue.h"
#include "pic/serial_io_lines.h"
#include "pic/tpic.h"

namespace korvane::cli {
namespace {

// Applies the one-run options to the settings; false with a usage error in `error`.
bool parse_options(Context& ctx, std::vector<std::string>& files, std::string& error) {
    auto& s = ctx.settings;
    for (std::size_t i = 0; i < ctx.args.size(); ++i) {
        const std::string& a = ctx.args[i];
        if (a == "--no-verify") { s.write_verify = 0; s.verify_after = 0; }
        else if (a == "--verify-after") s.verify_after = 1;
        else if (a == "--erase") s.erase_before = 1;
        else if (a == "--no-erase") s.erase_before = 0;
        else if (a == "--skip-blank") s.skip_3fff = 1;
        else if (a == "--no-skip-blank") s.skip_3fff = 0;
        else if (a == "--no-check") s.check_pic = 0;
        else if (a == "--delay") {
            unsigned ms = 0;
            if (!parse_number_option(ctx.args, i, "milliseconds", 999, ms, error)) return false;
            s.current_programmer().prog_delay_ms = std::uint32_t(ms);
        } else if (!parse_common_arg(ctx.args, i, s, files, "unknown option " + a, error)) {
            return false;
        }
    }
    return true;
}

int run_task(Context& ctx, const std::string& name, PicTask task) {
    if (ctx.device_is_eeprom) return run_eeprom_command(ctx, name);
    std::vector<std::string> paths;
    std::string error;
    if (!parse_options(ctx, paths, error)) return usage_error(name, error);
    const bool needs_file = task == PicTask::Read || task == PicTask::Program || task == PicTask::Verify;
    if (auto e = file_count_error(name, paths.size(), needs_file, "HEX file"); !e.empty())
        return usage_error(name, e);

    TaskHost host;
    auto image = std::make_unique<PicImage>();
    clear_pic_image(*image, ctx.pic_device);
    const PicFileContext files{*image, ctx.pic_device, ctx.settings, host};
    if ((task == PicTask::Program || task == PicTask::Verify) && !open_pic_file(files, paths[0]))
        return kExitFailure;

    PortResolver& resolver = default_port_resolver();
    grant_direct_io(ctx.settings, host, resolver);
    std::string title;
    const int rc = run_traced(ctx, TraceKind::Pic, resolver, [&] {
        Serial_IO io(ctx.settings, host, resolver);
        SerialIoLines lines(io, resolver);
        TPIC pic(ctx.settings, host, lines);
        pic.load_settings();
        pic.select_image(*image);
        title = pic.title();
        TerminalProgress bar;
        attach_progress(host, bar, pic.progress_bar);
        NullPicView view;
        PicTaskRunner runner(ctx.settings, host, view, pic);
        return run_abortable(host, runner, [&] { runner.abort(); }, task, *image) == TaskResult::Done ? kExitOk
                                                                                                       : kExitFailure;
    });
    if (rc != kExitOk || task != PicTask::Read) return rc;
    const bool saved = save_pic_file(files, paths[0]);
    return finish_read(saved, title, paths[0]);
}

int run_ports(Context& ctx) {
    if (!ctx.args.empty()) return usage_error("ports", "ports takes no arguments");
    for (const auto& e : default_port_resolver().enumerate()) std::cout << e.label() << "\n";
    return kExitOk;
}

const char* kTaskOptions =
    "Options for this run (the settings file is not changed):\n"
    "  --no-verify               no read-back while programming, no verify afterwards\n"
    "  --verify-after            verify the whole device after programming\n"
    "  --erase, --no-erase       erase before programming\n"
    "  --skip-blank, --no-skip-blank\n"
    "                            leave blank program words (16F 3FFF, 18F blocks of FFFF)\n"
    "                            unwritten, check them only\n"
    "  --no-check                skip the device ID check\n"
    "  --delay MS                programming delay (the I/O delay of the programmer)\n"
    "  --io direct|api           UART registers or serial calls\n"
    "Ctrl-C aborts the task; the programmer is switched off and the port closed.";

std::string task_help(const std::string& first) { return first + "\n\n" + kTaskOptions + "\n\n" + eeprom_task_help(); }

const bool registered = [] {
    register_command({"read", "read [OPTIONS] OUT.hex",
                      task_help("Reads the whole PIC (program, data EEPROM, ID and configuration words)\n"
                                "and saves it as Intel HEX."),
                      [](Context& c) { return run_task(c, "read", PicTask::Read); }});
    register_command({"program", "program [OPTIONS] IN.hex",
                      task_help("Programs the PIC with the HEX file. Exit status 1 when a word could not\n"
                                "be written or the verify found a difference."),
                      [](Context& c) { return run_task(c, "program", PicTask::Program); }});
    register_command({"verify", "verify [OPTIONS] IN.hex",
                      task_help("Compares the PIC with the HEX file. Exit status 1 on a difference."),
                      [](Context& c) { return run_task(c, "verify", PicTask::Verify); }});
    register_command({"erase", "erase [OPTIONS]", task_help("Bulk-erases the PIC."),
                      [](Context& c) { return run_task(c, "erase", PicTask::Erase); }});
    register_command({"clearcp", "clearcp [OPTIONS]",
                      task_help("Removes code protection (erases program and data memory)."),
                      [](Context& c) { return run_task(c, "clearcp", PicTask::ClearCP); }});
    register_command({"ports", "ports", "Lists the programmer ports; SIM is the built-in simulator.", run_ports});
    return true;
}();

} // namespace
} // namespace korvane::cli
