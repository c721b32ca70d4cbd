#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "app/io_config.h"

namespace korvane {
namespace {

class IoConfig : public ::testing::Test {
protected:
    IoConfig() {
        apply_settings_defaults(settings, "/opt/korvane/");
        ports.names = {"COM1", "COM2", "COM5", "SIM"};
        ports.labels = {"COM1  ttyS0", "COM2  ttyS1", "COM5  ttyUSB0", "SIM"};
    }
    IoConfigModel model() {
        return IoConfigModel(settings, ports, [this](const std::string& n) { return !busy.count(n); });
    }
    SettingsRecord settings{};
    PortList ports;
    std::set<std::string> busy;   // ports another program holds
};

TEST_F(IoConfig, EditsOfTwoTypesAreCommittedAndShowingATypeAgainDropsItsEdits) {
    IoConfigModel m = model();
    m.show();
    m.record().tset0_ms = 120;            // JDM
    m.choose_type(2);                     // HELL
    EXPECT_EQ(m.record().port_name.str(), "COM2");
    m.record().bit_time_us = 7;
    m.commit();
    EXPECT_EQ(settings.programmer_type, 2);
    EXPECT_EQ(settings.programmers[0].tset0_ms, 120u);
    EXPECT_EQ(settings.programmers[2].bit_time_us, 7u);

    IoConfigModel again = model();
    again.show();
    again.record().bit_time_us = 9;
    again.choose_type(0);
    again.choose_type(2);   // HELL as stored: the 9 is gone
    EXPECT_EQ(again.record().bit_time_us, 7u);
    again.restore_backup();
    EXPECT_EQ(settings.programmer_type, 2);
    EXPECT_EQ(settings.programmers[2].bit_time_us, 7u);
}

TEST_F(IoConfig, CancelAfterACommitRestoresTheSettingsAsFound) {
    const SettingsRecord before = settings;
    IoConfigModel m = model();
    m.show();
    m.set_direct_io(false);
    m.record().invert_data_out = 1;
    m.choose_type(1);
    m.commit();   // the hardware page
    m.restore_backup();
    EXPECT_EQ(std::memcmp(&before, &settings, sizeof settings), 0);
}

TEST_F(IoConfig, MaxRetriesTakesDigitsOnly) {
    IoConfigModel m = model();
    m.show();
    m.set_max_retries_text("");
    m.set_max_retries_text("4x");
    m.set_max_retries_text("-1");
    EXPECT_EQ(m.record().max_retries, 10u);
    m.set_max_retries_text("07");
    EXPECT_EQ(m.record().max_retries, 7u);
}

TEST_F(IoConfig, PortListSelectionAndAvailability) {
    settings.programmers[0].port_name.assign("COM5");
    IoConfigModel m = model();
    m.show();
    EXPECT_EQ(m.selected_port(), 2);
    ASSERT_EQ(m.ports().size(), 4u);
    EXPECT_EQ(m.ports()[2].label, "COM5  ttyUSB0");

    busy = {"COM1", "COM5"};
    m.choose_type(1);   // X-JDM is stored on COM1, which is in use: the first available port instead
    EXPECT_EQ(m.ports()[0].available, false);
    EXPECT_EQ(m.record().port_name.str(), "COM2");
    m.choose_port(2);   // in use: springs back
    EXPECT_EQ(m.selected_port(), 1);
    EXPECT_EQ(m.record().port_name.str(), "COM2");
    m.choose_port(3);
    EXPECT_EQ(m.record().port_name.str(), "SIM");
}

TEST_F(IoConfig, EveryPortInUseOrNoPortAtAll) {
    busy = {"COM1", "COM2", "COM5", "SIM"};
    settings.programmers[0].port_name.assign("COM2");
    IoConfigModel m = model();
    m.show();
    for (const PortChoice& p : m.ports()) EXPECT_FALSE(p.available) << p.name;
    EXPECT_EQ(m.selected_port(), 1);
    EXPECT_EQ(m.record().port_name.str(), "COM2");

    ports = {};
    IoConfigModel none = model();
    none.show();
    ASSERT_EQ(none.ports().size(), 1u);
    EXPECT_EQ(none.ports()[0].name, "COM1");
    EXPECT_EQ(none.record().port_name.str(), "COM1");
}

} // namespace
} // namespace korvane
