#pragma once
// The card link on a scripted reader: settings with the reader on "COM2", a recording host and a
// resolver that knows only that port.
#include <numeric>

#include "app/settings.h"
#include "buffers/eeprom_buffers.h"
#include "card/card_flows.h"
#include "card/ee_thru_io.h"
#include "eeprom/eeprom_catalogue.h"
#include "common/fake_reader.h"
#include "hardware/ports.h"
#include "pic/fake_host.h"

namespace korvane::test {

struct RecordingCardView : ICardView {
    std::vector<std::string> calls;
    void set_device_list_enabled(bool on) override { calls.push_back(on ? "list on" : "list off"); }
    void refresh_eeprom_grid(bool clear) override { calls.push_back(clear ? "grid clear" : "grid"); }
    void enable_abort() override { calls.push_back("abort on"); }
    void disable_abort() override { calls.push_back("abort off"); }
};

struct CardRig {
    explicit CardRig(int eeprom_type = 6) {
        apply_settings_defaults(settings, "/tmp/");
        settings.card_reader_port.assign("COM2");
        settings.iso_eeprom_device = std::uint8_t(eeprom_type);
        settings.confirm_program = settings.confirm_erase = 0;
        reader.card.memory.assign(eeprom_type_size(), 0xFF);
        resolver.register_endpoint("COM2", Endpoint{&reader, nullptr, &clock, true, "COM2"});
        clear_eeprom_image(*image, eeprom_type);
        io.set_image(image->bytes.data(), eeprom_type_last());
        io.progress_bar = &progress;
        runner.set_priority = [this](int p) { priorities.push_back(p); };
    }
    // The flows on the card's EEPROM type, at no priority change.
    CardEEPromFlows flows() {
        CardEEPromFlows f(io, host, view, settings.iso_eeprom_device);
        f.set_priority = nullptr;
        return f;
    }
    std::size_t eeprom_type_size() const { return eeprom_type(settings.iso_eeprom_device).size; }
    std::uint32_t eeprom_type_last() const { return eeprom_type(settings.iso_eeprom_device).last_address; }

    // A recognisable pattern in the buffer.
    void fill_image() {
        for (std::size_t i = 0; i < eeprom_type_size(); ++i) image->bytes[i] = std::uint8_t(i * 7 + (i >> 8));
    }
    std::vector<std::uint8_t> image_bytes() const {
        return {image->bytes.begin(), image->bytes.begin() + std::ptrdiff_t(eeprom_type_size())};
    }
    // Headers the card saw with a given instruction.
    std::vector<CardHeader> headers(std::uint8_t ins) const {
        std::vector<CardHeader> out;
        for (const CardHeader& h : reader.card.headers)
            if (h[1] == ins) out.push_back(h);
        return out;
    }
    std::vector<std::vector<std::string>> boxes() const { return host.box_lines(); }

    SettingsRecord settings{};
    FakeHost host;
    FakeProgress progress;
    CountingClock clock;
    FakeReaderSystem reader;
    PortResolver resolver{PortRoots{"/nonexistent-dev", "/nonexistent-sys"},
                          [](const std::string&) { return std::string(); },
                          [](const std::string&) { return false; }};
    std::unique_ptr<EEPromImage> image = std::make_unique<EEPromImage>();
    TEE_THRU_IO io{settings, host, resolver};
    RecordingCardView view;
    CardTaskRunner runner{settings, host, view, io};
    std::vector<int> priorities;
};

} // namespace korvane::test
