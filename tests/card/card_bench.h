#pragma once
// The whole card workflow on the simulated bench: the programmer and the card reader both on
// "SIM", the loader written with the PIC operations, the EEPROM reached through it.
#include <memory>
#include <random>

#include "app/pic_tasks.h"
#include "card/card_flows.h"
#include "card/card_table.h"
#include "card/setup_loader.h"
#include "card/write_loader.h"
#include "card_rig.h"
#include "hardware/serial_io.h"
#include "pic/serial_io_lines.h"
#include "pic/tpic.h"
#include "sim/sim_bench.h"

namespace korvane::test {

struct CardBench {
    // A restarted bench (fresh clock, no chip, no card) with the default settings.
    explicit CardBench(const TIsoCard& card, const std::string& faults = "") {
        sim::SimBench::instance().reset_from_env();
        sim::SimBench::instance().set_faults(faults);
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().port_name.assign("SIM");
        settings.current_programmer().direct_io = 0;
        settings.card_reader_port.assign("SIM");
        settings.confirm_program = settings.confirm_erase = 0;
        settings.check_pic = 1;
        writer.set_priority = nullptr;
        runner.set_priority = nullptr;
        select(card);
    }
    // Another card, as the selection dialog sets it, on the same bench: blank buffers of its types.
    void select(const TIsoCard& card) {
        settings.iso_pic_device = settings.pic_device = card.shown.pic_type;
        settings.iso_eeprom_device = card.shown.eeprom_type;
        pic.load_settings(true);
        clear_pic_image(*pic_image, pic.device_index);
        clear_eeprom_image(*eeprom, card.shown.eeprom_type);
    }
    ~CardBench() { sim::SimBench::instance().set_faults(""); }

    bool write_loader() { return writer.run(*pic_image); }
    CardTaskResult run(CardTask t) { return runner.run(t, *eeprom); }
    std::size_t size() const { return eeprom_type(settings.iso_eeprom_device).size; }
    void fill_random(unsigned seed) {
        std::mt19937 rng(seed);
        for (std::size_t i = 0; i < size(); ++i) eeprom->bytes[i] = std::uint8_t(rng());
    }
    std::vector<std::vector<std::string>> boxes() const { return host.box_lines(); }

    SettingsRecord settings{};
    FakeHost host;
    FakePicView pic_view;
    RecordingCardView card_view;
    PortResolver& resolver = default_port_resolver();
    Serial_IO io{settings, host, resolver};
    SerialIoLines lines{io, resolver};
    TPIC pic{settings, host, lines};
    LoaderWriter writer{settings, host, pic_view, pic, nullptr, &resolver};
    TEE_THRU_IO link{settings, host, resolver};
    CardTaskRunner runner{settings, host, card_view, link};
    std::unique_ptr<PicImage> pic_image = std::make_unique<PicImage>();
    std::unique_ptr<EEPromImage> eeprom = std::make_unique<EEPromImage>();
};

// The loader images are built into the program from their assembler sources; a build without
// them cannot run a card.
inline bool loaders_built() { return !loader_text(0).empty() && !loader_text(10).empty(); }

} // namespace korvane::test
