#pragma once
// TI2C and the EEPROM task runner on the fake 24Cxx, with a recording host and view.
#include <memory>
#include <random>

#include "app/eeprom_tasks.h"
#include "app/settings.h"
#include "buffers/eeprom_buffers.h"
#include "eeprom/eeprom_catalogue.h"
#include "eeprom/ti2c.h"
#include "fake_24cxx.h"
#include "pic/fake_host.h"

namespace korvane::test {

// Chip page sizes as the datasheets give them (24C01/02: 8).
inline unsigned chip_page(int type) {
    static const unsigned pages[11] = {8, 8, 16, 16, 16, 32, 32, 64, 64, 64, 128};
    return pages[type];
}

// Random bytes up to the type's last address.
inline void fill_random(EEPromImage& image, std::int32_t last_address, unsigned seed) {
    std::mt19937 rng(seed);
    for (std::int32_t i = 0; i <= last_address; ++i) image.bytes[std::size_t(i)] = std::uint8_t(rng());
}

struct RecordingView : IEEPromTaskView {
    std::string log;   // a abort widgets on, A off, l list off, L list on, m refresh+clear, k refresh
    void enable_abort() override { log += 'a'; }
    void disable_abort() override { log += 'A'; }
    void enable_device_list(bool on) override { log += on ? 'L' : 'l'; }
    void refresh_eeprom_view(bool clear) override { log += clear ? 'm' : 'k'; }
};

struct EERig {
    explicit EERig(int type)
        : chip(eeprom_type(type).size, eeprom_type(type).address_bytes, chip_page(type)) {
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().port_name.assign("SIM");
        settings.confirm_program = settings.confirm_erase = 0;
        settings.eprom_verify_after = 0;
        ee.set_type(type);
        ee.image = image->bytes.data();
        ee.load_programmer_params();
        ee.progress_bar = &progress;
        runner.set_priority = nullptr;
        clear_eeprom_image(*image, type);
    }
    void fill_random(unsigned seed) { test::fill_random(*image, ee.last_address, seed); }
    bool image_matches_chip() const {
        for (std::int32_t i = 0; i <= ee.last_address; ++i)
            if (chip.memory[std::size_t(i)] != image->bytes[std::size_t(i)]) return false;
        return true;
    }
    TaskResult run(EEPromTask t) { return runner.run(t, *image); }

    Fake24Cxx chip;
    SettingsRecord settings{};
    FakeHost host;
    FakeProgress progress;
    RecordingView view;
    TI2C ee{settings, host, chip};
    EEPromTaskRunner runner{settings, host, view, ee};
    std::unique_ptr<EEPromImage> image = std::make_unique<EEPromImage>();
};

} // namespace korvane::test
