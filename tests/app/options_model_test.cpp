#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "app/options_model.h"

namespace korvane {
namespace {

class Options : public ::testing::Test {
protected:
    Options() {
        apply_settings_defaults(settings, "/opt/korvane/");
        ports.names = {"COM1", "COM2", "SIM"};
        ports.labels = ports.names;
    }
    OptionsModel model() {
        return OptionsModel(settings, ports, [this](const std::string& n) { return !busy.count(n); });
    }
    SettingsRecord settings{};
    PortList ports;
    std::set<std::string> busy;
};

TEST_F(Options, CancelLeavesEverythingAndOkWritesEveryValue) {
    const SettingsRecord before = settings;
    {
        OptionsModel m = model();
        m.show();
        m.values().confirm_program = 0;
        m.values().priority = 2;
        m.choose_port(2);
    }
    EXPECT_EQ(std::memcmp(&before, &settings, sizeof settings), 0);

    OptionsModel m = model();
    m.show();
    EXPECT_EQ(m.values().reader_port, "COM2");   // the default reader port
    m.values().priority = 2;
    m.values().radix = 3;
    m.values().skip_3fff = 0;
    m.values().eprom_verify_after = 0;
    m.choose_eeprom_type(10);
    m.choose_port(2);
    m.commit();
    EXPECT_EQ(settings.priority, 2);
    EXPECT_EQ(settings.radix, 3);
    EXPECT_EQ(settings.skip_3fff, 0);
    EXPECT_EQ(settings.eprom_verify_after, 0);
    EXPECT_EQ(settings.iso_eeprom_device, 10);
    EXPECT_EQ(settings.card_reader_port.str(), "SIM");
}

TEST_F(Options, An18FCardRunsTheReaderAt357MhzOnly) {
    settings.card_reader_clock = 1;
    OptionsModel m = model();
    m.show();
    EXPECT_TRUE(m.clock_600_enabled());   // the default card PIC is a 16F877
    EXPECT_EQ(m.values().reader_clock, 1);
    m.choose_pic_type(10);                // 18F452
    EXPECT_EQ(m.values().reader_clock, 0);
    EXPECT_FALSE(m.clock_600_enabled());
    m.choose_clock(1);                    // not offered
    EXPECT_EQ(m.values().reader_clock, 0);
    m.choose_pic_type(2);                 // back to a 16F: offered again, not chosen
    EXPECT_TRUE(m.clock_600_enabled());
    EXPECT_EQ(m.values().reader_clock, 0);

    // A saved 18F card with 6.00 MHz is corrected as the dialog opens.
    settings.iso_pic_device = 4;
    settings.card_reader_clock = 1;
    OptionsModel shown = model();
    shown.show();
    EXPECT_EQ(shown.values().reader_clock, 0);
}

TEST_F(Options, ReaderPortRules) {
    busy = {"SIM"};
    OptionsModel m = model();
    m.show();
    EXPECT_FALSE(m.ports()[2].available);
    m.choose_port(2);   // in use: back to the previous entry and its name
    EXPECT_EQ(m.chosen_port(), 1);
    EXPECT_EQ(m.values().reader_port, "COM2");

    settings.card_reader_port.assign("COM7");   // not in the list: the first entry
    OptionsModel missing = model();
    missing.show();
    EXPECT_EQ(missing.chosen_port(), 0);
    EXPECT_EQ(missing.values().reader_port, "COM1");

    busy = {"COM2"};                            // saved but in use: the first entry too
    settings.card_reader_port.assign("COM2");
    OptionsModel in_use = model();
    in_use.show();
    EXPECT_EQ(in_use.values().reader_port, "COM1");
}

} // namespace
} // namespace korvane
