// The ISO card steps in the window against a scripted card reader: a cancelled selection, Skip
// and Back, an abort, a wrong PIC (the whole workflow runs on the bench in window_card_sim_test).
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "common/fake_reader.h"
#include "hardware/ports.h"
#include "sim/sim_bench.h"
#include "ui/config_panel.h"
#include "ui/iso_card_dialog.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

class CardWindowTest : public WindowTest {
protected:
    void SetUp() override {
        sim::SimBench::instance().reset_from_env();
        WindowTest::SetUp();
        // The reader port leads to the scripted reader, never to a device.
        settings.card_reader_port.assign("COM2");
        settings.confirm_program = settings.confirm_erase = 0;
        default_port_resolver().register_endpoint("COM2", Endpoint{&reader, nullptr, &clock, true, "COM2"});
        window->priority_hook = [](int) {};
        window->btnWizard->click();
    }
    void TearDown() override {
        WindowTest::TearDown();
        default_port_resolver().clear_registered_endpoints();
    }
    // Runs the selection dialog: the presses, then OK or Cancel.
    void select_cards(std::vector<std::pair<int, int>> presses, bool ok) {
        window->iso_card_dialog_hook = [=, this](IsoCardSelectDialog& d) {
            EXPECT_EQ(d.SCSelection->currentIndex(), 0) << "the dialog opens on the PIC 16F page";
            for (auto [page, index] : presses) d.card_button(page, index)->click();
            (ok ? d.OKButton : d.CancelButton)->click();
        };
        window->btnIsoCard->click();
    }
    void enter_card_eeprom(int pic, int eeprom) {
        settings.iso_pic_device = std::uint8_t(pic);
        settings.iso_eeprom_device = std::uint8_t(eeprom);
        window->btnWriteLoaderSkip->click();
        reader.card.memory.assign(eeprom_size(), 0xFF);
    }
    std::size_t eeprom_size() const { return std::size_t(1) << (7 + std::min<int>(settings.iso_eeprom_device, 9)); }

    FakeReaderSystem reader;
    CountingClock clock;
};

TEST_F(CardWindowTest, CancelOrOkWithoutACardChangesNothing) {
    const std::uint8_t pic = settings.iso_pic_device, eeprom = settings.iso_eeprom_device;
    select_cards({{1, 0}}, false);
    select_cards({}, true);
    EXPECT_EQ(settings.iso_pic_device, pic);
    EXPECT_EQ(settings.iso_eeprom_device, eeprom);
    EXPECT_EQ(window->Items_List->currentIndex(), pic) << "the list is refilled from the unchanged type";
}

TEST_F(CardWindowTest, SkipAndBackSwitchModesWithoutTheProgrammer) {
    settings.card_reader_clock = 1;
    window->btnWriteLoaderSkip->click();
    ASSERT_EQ(window->work_mode(), kModeIsoEEProm);
    EXPECT_EQ(window->status_text(0), "Iso-EEProm Programming Through Loader (SmartM)");
    EXPECT_EQ(window->status_text(1), "I/O - SmartM 6.00Mhz - COM2,16457,8,E,2");
    EXPECT_EQ(window->btnReadAll->toolTip(), "Read EEprom Through Loader");
    EXPECT_FALSE(window->btnWriteLoaderSkip->isEnabled());
    EXPECT_EQ(reader.opens, 0);
    window->btnBackWriteLoader->click();
    EXPECT_EQ(window->work_mode(), kModeIsoPic);
}

TEST_F(CardWindowTest, AbortDuringACardRead) {
    enter_card_eeprom(3, 6);
    bool seen_busy = false;
    QTimer::singleShot(0, window.get(), [&] {
        seen_busy = window->busy();
        window->btnAbort->click();
    });
    window->btnReadAll->click();
    EXPECT_TRUE(seen_busy);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{" EEProm", "Process Aborted"}));
    EXPECT_FALSE(window->btnAbort->isVisibleTo(window.get()));
}

TEST_F(CardWindowTest, WrongPicKeepsTheMode) {
    settings.check_pic = 1;
    settings.iso_pic_device = 3;   // a 16F877 card; the simulated socket holds what the bench selects
    sim::SimBench::instance().set_faults("id=0x0560");
    window->btnWrite876Ldr->click();
    sim::SimBench::instance().set_faults("");
    EXPECT_EQ(window->work_mode(), kModeIsoPic);
    EXPECT_EQ(count_boxes("Wrong PIC Type Selected"), 1);
}

} // namespace
} // namespace korvane::test
