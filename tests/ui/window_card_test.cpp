// The ISO card steps in the window: the card selection dialog, Write Loader, Skip and Back, and
// the ISO-EEPROM tasks against a scripted card reader.
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
            shown_card = d.SCType_Label->text();
            shown_eeprom = d.EEProm_Label->text();
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
    EEPromImage& buffer1() { return (*window->eeprom_buffers())[1]; }

    FakeReaderSystem reader;
    CountingClock clock;
    QString shown_card, shown_eeprom;
};

TEST_F(CardWindowTest, SelectionStoresTheLastPressedCard) {
    ASSERT_EQ(window->work_mode(), kModeIsoPic);
    EXPECT_TRUE(window->btnIsoCard->isVisibleTo(window.get()));
    select_cards({{0, 5}, {0, 0}}, true);   // GreenCard 64, then GoldCard
    EXPECT_EQ(shown_card.trimmed(), "GoldCard");
    EXPECT_EQ(shown_eeprom.trimmed(), "24C16");
    EXPECT_EQ(settings.iso_pic_device, 0);
    EXPECT_EQ(settings.iso_eeprom_device, 4);
    EXPECT_EQ(settings.pic_device, 0);
    EXPECT_EQ(window->Items_List->currentIndex(), 0);
    EXPECT_EQ(window->device_index(), 0);
}

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

TEST_F(CardWindowTest, ProgramReadBackAndVerifyThroughTheLoader) {
    enter_card_eeprom(0, 4);   // GoldCard
    for (std::size_t i = 0; i < 2048; ++i) buffer1().bytes[i] = std::uint8_t(i * 13);
    window->btnProgramAll->click();
    EXPECT_EQ(count_boxes("EEProm Write Through"), 1);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer1().bytes.begin(), buffer1().bytes.begin() + 2048), reader.card.memory);
    EXPECT_FALSE(window->busy());
    EXPECT_TRUE(window->Items_List->isEnabled());

    window->btnReadAll->click();
    EXPECT_EQ(buffer1().bytes[77], std::uint8_t(77 * 13));
    EXPECT_TRUE(buffer1().empty);
    window->btnVerify->click();
    EXPECT_EQ(count_boxes("EEProm Verify Through"), 1);
    window->btnEraseAll->click();
    EXPECT_EQ(count_boxes("EEProm Erase Through"), 1);
    EXPECT_EQ(reader.card.memory, std::vector<std::uint8_t>(2048, 0xFF));
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

TEST_F(CardWindowTest, SilentCardReportsOnce) {
    enter_card_eeprom(0, 6);
    reader.card.silent = true;
    window->btnVerify->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{" ERROR!", "No ATR Received"}));
}

TEST_F(CardWindowTest, WriteLoaderMovesOnToTheCardEEProm) {
    settings.check_pic = 0;
    settings.iso_pic_device = 0;
    window->btnWrite876Ldr->click();
    EXPECT_EQ(window->work_mode(), kModeIsoEEProm);
    EXPECT_TRUE(boxes.empty()) << "no success message";
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
