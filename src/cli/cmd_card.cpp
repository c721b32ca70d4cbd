// korvane-cli card TYPE loader|read|program|verify|erase: the ISO card steps of the window.
// `loader` writes the loader into the card's PIC on the programmer port; the other four work on
// the card's EEPROM through the loader on the card reader's port.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>

#include "app/pic_tasks.h"
#include "buffers/eeprom_buffers.h"
#include "card/card_flows.h"
#include "card/card_table.h"
#include "card/write_loader.h"
#include "cli/cli.h"
#include "cli/cli_trace.h"
#include "cli/task_support.h"
#include "eeprom/eeprom_catalogue.h"
#include "files/eeprom_files.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"
#include "pic/pic_catalogue.h"
#include "pic/serial_io_lines.h"
#include "pic/tpic.h"

namespace korvane::cli {
namespace {

struct QuietCardView : ICardView {
    void set_device_list_enabled(bool) override {}
    void refresh_eeprom_grid(bool) override {}
    void enable_abort() override {}
    void disable_abort() override {}
};

// "GoldCard", "goldcard", "SilverCard Galaxy", "silvercard-galaxy", "GreenCard_64": blanks,
// '-' and '_' do not count, nor does case.
std::string card_key(const std::string& name) {
    std::string key;
    for (char c : name)
        if (c != ' ' && c != '-' && c != '_') key += char(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

const TIsoCard* card_by_name(const std::string& name) {
    for (int k = 0; k < kIsoCardCount; ++k)
        if (const TIsoCard* c = iso_card_at(k); c && card_key(c->shown.card_name.str()) == card_key(name)) return c;
    return nullptr;
}

std::string card_names() {
    std::string names;
    for (int k = 0; k < kIsoCardCount; ++k) {
        std::string n = iso_card_at(k)->shown.card_name.str();
        while (!n.empty() && n.back() == ' ') n.pop_back();
        names += (k ? ", " : "") + n;
    }
    return names;
}

int write_loader(Context& ctx) {
    TaskHost host;
    PortResolver& resolver = default_port_resolver();
    return run_traced(ctx, TraceKind::Card, resolver, [&] {
        Serial_IO io(ctx.settings, host, resolver);
        SerialIoLines lines(io, resolver);
        TPIC pic(ctx.settings, host, lines);
        pic.load_settings(true);
        auto image = std::make_unique<PicImage>();
        clear_pic_image(*image, pic.device_index);
        NullPicView view;
        LoaderWriter writer(ctx.settings, host, view, pic, nullptr, &resolver);
        const bool ok = run_abortable(host, writer, [&] { pic.abort(); }, *image);
        if (ok) std::cerr << pic.title() << ": loader written\n";
        return ok ? kExitOk : kExitFailure;
    });
}

int eeprom_task(Context& ctx, CardTask task, const std::string& file) {
    TaskHost host;
    const int type = ctx.settings.iso_eeprom_device;
    auto image = std::make_unique<EEPromImage>();
    clear_eeprom_image(*image, type);
    const EEPromFileContext files{*image, type, ctx.settings, host};
    if ((task == CardTask::Program || task == CardTask::Verify) && !load_eeprom_file_by_name(files, file))
        return kExitFailure;
    const int rc = run_traced(ctx, TraceKind::Card, default_port_resolver(), [&] {
        TEE_THRU_IO io(ctx.settings, host, default_port_resolver());
        QuietCardView view;
        CardTaskRunner runner(ctx.settings, host, view, io);
        return run_abortable(host, runner, [&] { runner.abort(); }, task, *image) == CardTaskResult::Done
                   ? kExitOk
                   : kExitFailure;
    });
    if (rc != kExitOk || task != CardTask::Read) return rc;
    const bool saved = save_eeprom_file(files, file);
    return finish_read(saved, eeprom_device_title(type), file);
}

int run_card(Context& ctx) {
    auto& s = ctx.settings;
    std::vector<std::string> words;
    bool clock_given = false;
    for (std::size_t i = 0; i < ctx.args.size(); ++i) {
        const std::string& a = ctx.args[i];
        if (a == "--reader" || a == "--clock") {
            if (i + 1 >= ctx.args.size()) return usage_error("card", a + " needs a value");
            const std::string v = ctx.args[++i];
            if (a == "--clock") {
                if (v != "3.57" && v != "6.00") return usage_error("card", "--clock takes 3.57 or 6.00, not " + v);
                s.card_reader_clock = v == "6.00" ? 1 : 0;
                clock_given = true;
            } else if (int rc = set_port("card", v, s.card_reader_port); rc != kExitOk) {
                return rc;
            }
        } else if (a == "--no-check") {
            s.check_pic = 0;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return usage_error("card", "unknown option " + a);
        } else {
            words.push_back(a);
        }
    }
    if (words.size() < 2) return usage_error("card", "card needs a card type and a step");
    const TIsoCard* card = card_by_name(words[0]);
    if (!card) return usage_error("card", "unknown card " + words[0] + " (one of " + card_names() + ")");
    // As the selection dialog's OK does, for this run only.
    s.iso_pic_device = card->shown.pic_type;
    s.iso_eeprom_device = card->shown.eeprom_type;
    // An 18F card runs only at 3.57 MHz, as the Options dialog enforces.
    if (is_pic18f(card->shown.pic_type) && s.card_reader_clock == 1) {
        if (clock_given) return usage_error("card", "an 18F card takes only --clock 3.57");
        s.card_reader_clock = 0;
    }
    const std::string& step = words[1];
    const bool needs_file = step == "read" || step == "program" || step == "verify";
    if (auto e = file_count_error(step, words.size() - 2, needs_file, "EEPROM image file"); !e.empty())
        return usage_error("card", e);
    if (step == "loader") return write_loader(ctx);
    if (step == "read") return eeprom_task(ctx, CardTask::Read, words[2]);
    if (step == "program") return eeprom_task(ctx, CardTask::Program, words[2]);
    if (step == "verify") return eeprom_task(ctx, CardTask::Verify, words[2]);
    if (step == "erase") return eeprom_task(ctx, CardTask::Erase, "");
    return usage_error("card", "unknown step " + step + " (loader, read, program, verify or erase)");
}

const bool registered = register_command(
    {"card", "card [OPTIONS] TYPE loader|read FILE|program FILE|verify FILE|erase",
     "The ISO card steps. TYPE is the card: " + card_names() +
         " (case, blanks and '-' do not matter).\n"
         "  loader         writes the loader into the card's PIC (programmer port, -P)\n"
         "  read FILE      reads the card's EEPROM through the loader into a .bin or .hex file\n"
         "  program FILE   writes the file into the card's EEPROM, then verifies it\n"
         "  verify FILE    compares the card's EEPROM with the file\n"
         "  erase          writes FF into the whole EEPROM, then verifies it\n"
         "Options for this run (the settings file is not changed):\n"
         "  --reader PORT  the card reader's port (COM1..COM9 or SIM)\n"
         "  --clock 3.57|6.00\n"
         "                 the reader's clock in MHz: 9600 or 16457 baud\n"
         "  --no-check     loader: skip the PIC type check\n"
         "Ctrl-C aborts the step; the port is closed.",
     run_card});

} // namespace
} // namespace korvane::cli
