// The whole ISO card workflow of the window on the simulated bench, both ports on "SIM": the card
// picked in the selection dialog, the loader written into the card's PIC by the programmer, then
// the card's EEPROM programmed from a file, read back, verified and erased through that loader.
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <cstdlib>

#include "common/test_env.h"
#include "sim/sim_bench.h"
#include "ui/decorations.h"
#include "ui/iso_card_dialog.h"
#include "ui/mem_grid.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

using Lines = std::vector<std::string>;

class CardWindowOnSim : public WindowTest {
protected:
    void SetUp() override {
        // The reader port goes to the simulated reader as a user would map it; never to a device.
        setenv("KORVANE_COM2", "SIM", 1);
        // A state directory of its own: no loader written by an earlier test is in the card.
        if (const char* d = std::getenv("KORVANE_SIM_DIR")) old_sim_dir_ = d;
        setenv("KORVANE_SIM_DIR", sim_dir_.path().c_str(), 1);
        sim::SimBench::instance().reset_from_env();
        sim::SimBench::instance().set_faults("");
        WindowTest::SetUp();
        settings.card_reader_port.assign("COM2");
        settings.card_reader_clock = 0;
        settings.confirm_program = settings.confirm_erase = 1;
        settings.check_pic = 1;
        window->priority_hook = [](int) {};
    }
    void TearDown() override {
        WindowTest::TearDown();
        unsetenv("KORVANE_COM2");
        setenv("KORVANE_SIM_DIR", old_sim_dir_.c_str(), 1);
        sim::SimBench::instance().reset_from_env();
    }

    bool shown(QWidget* w) const { return w->isVisibleTo(window.get()); }
    EEPromImage& buffer1() { return (*window->eeprom_buffers())[1]; }
    std::string buffer1_text(std::size_t n) {
        return std::string(buffer1().bytes.begin(), buffer1().bytes.begin() + std::ptrdiff_t(n));
    }
    // The boxes shown since the last call.
    std::vector<Lines> take_boxes() {
        std::vector<Lines> out;
        for (const ShownBox& b : boxes) out.push_back(b.lines);
        boxes.clear();
        return out;
    }
    void expect_idle() {
        EXPECT_FALSE(window->busy());
        EXPECT_FALSE(shown(window->btnAbort));
        EXPECT_TRUE(window->Items_List->isEnabled());
        EXPECT_EQ(window->ProgBar->value(), 0);
        EXPECT_FALSE(window->LedRX->is_on());
        EXPECT_FALSE(window->LedTX->is_on());
    }

    TempDir sim_dir_;
    std::string old_sim_dir_;
};

TEST_F(CardWindowOnSim, PickACardWriteTheLoaderThenProgramReadVerifyErase) {
    ASSERT_STREQ(std::getenv("KORVANE_COM2"), "SIM");
    TempDir dir;

    // Step 1: the ISO-PIC mode.
    window->btnWizard->click();
    ASSERT_EQ(window->work_mode(), kModeIsoPic);
    EXPECT_EQ(window->status_text(0), "Iso-PIC Programming on JDM");
    for (QToolButton* b : {window->btnReadAll, window->btnProgramAll, window->btnVerify, window->btnEraseAll,
                           window->btnClearCP, window->btnOpen_File, window->btnCompareBuff})
        EXPECT_FALSE(shown(b)) << b->objectName().toStdString();
    EXPECT_TRUE(shown(window->btnWrite876Ldr) && window->btnWrite876Ldr->isEnabled());
    EXPECT_TRUE(shown(window->btnWriteLoaderSkip) && window->btnWriteLoaderSkip->isEnabled());
    EXPECT_TRUE(shown(window->btnBackWriteLoader));
    EXPECT_FALSE(window->btnBackWriteLoader->isEnabled());
    EXPECT_TRUE(shown(window->btnIsoCard));
    EXPECT_EQ(window->btnWrite876Ldr->toolTip(), "Write Loader");
    EXPECT_EQ(window->btnIsoCard->toolTip(), "Iso Card Selection");
    EXPECT_FALSE(shown(window->btnBuffer[1]));

    // The card: SilverCard first, then GoldCard (16F84 with a 24C16), OK.
    window->iso_card_dialog_hook = [](IsoCardSelectDialog& d) {
        EXPECT_EQ(d.windowTitle(), "ISO SmartCard Selection");
        EXPECT_EQ(d.SCSelection->currentIndex(), 0);
        EXPECT_EQ(d.SCSelection->tabText(0), "PIC 16F");
        d.card_button(0, 2)->click();
        EXPECT_EQ(d.SCType_Label->text().trimmed(), "SilverCard");
        QToolButton* gold = d.card_button(0, 0);
        EXPECT_EQ(gold->toolTip(), "GoldCard - PIC 16F84  & EEProm 24C16");
        gold->click();
        EXPECT_EQ(d.SCType_Label->text().trimmed(), "GoldCard");
        EXPECT_EQ(d.PIC_Label->text().trimmed(), "16F84");
        EXPECT_EQ(d.EEProm_Label->text().trimmed(), "24C16");
        d.OKButton->click();
    };
    window->btnIsoCard->click();
    EXPECT_EQ(settings.iso_pic_device, 0);
    EXPECT_EQ(settings.iso_eeprom_device, 4);
    EXPECT_EQ(settings.pic_device, 0);
    EXPECT_EQ(window->Items_List->currentIndex(), 0);
    EXPECT_EQ(window->device_index(), 0);
    EXPECT_TRUE(take_boxes().empty());

    // Step 2: Write Loader, after its confirmation; no success message, the mode moves on.
    window->btnWrite876Ldr->click();
    EXPECT_EQ(take_boxes(), (std::vector<Lines>{{"Confirm", "Really want to program the Device ?"}}));
    ASSERT_EQ(window->work_mode(), kModeIsoEEProm) << "the loader was not written";
    expect_idle();

    // Step 3: the ISO-EEPROM mode.
    EXPECT_EQ(window->status_text(0), "Iso-EEProm Programming Through Loader (SmartM)");
    EXPECT_EQ(window->status_text(1), "I/O - SmartM 3.57Mhz - COM2,9600,8,E,2");
    for (QToolButton* b : {window->btnReadAll, window->btnProgramAll, window->btnVerify, window->btnEraseAll,
                           window->btnOpen_File, window->btnSaveAs_File})
        EXPECT_TRUE(shown(b) && b->isEnabled()) << b->objectName().toStdString();
    EXPECT_EQ(window->btnReadAll->toolTip(), "Read EEprom Through Loader");
    EXPECT_EQ(window->btnProgramAll->toolTip(), "Program EEProm Through Loader");
    EXPECT_EQ(window->btnVerify->toolTip(), "Verify EEProm Through Loader");
    EXPECT_EQ(window->btnEraseAll->toolTip(), "Erase EEProm Through Loader");
    for (QToolButton* b : {window->btnClearCP, window->btnCompareBuff, window->btnAssembView,
                           window->btnWrite876Ldr, window->btnIsoCard})
        EXPECT_FALSE(shown(b)) << b->objectName().toStdString();
    EXPECT_TRUE(shown(window->btnWriteLoaderSkip));
    EXPECT_FALSE(window->btnWriteLoaderSkip->isEnabled());
    EXPECT_TRUE(shown(window->btnBackWriteLoader) && window->btnBackWriteLoader->isEnabled());
    EXPECT_TRUE(shown(window->EEPromWin));
    EXPECT_EQ(window->Items_List->currentText().trimmed(), "24C16");
    EXPECT_FALSE(shown(window->btnBuffer[1]));

    // Program an image from a file.
    std::string image(2048, '\0');
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = char((i * 37 + (i >> 7)) & 0xFF);
    const std::string bin = (dir.path() / "card.bin").string();
    write_file(bin, image);
    next_file = QString::fromStdString(bin);
    window->btnOpen_File->click();
    ASSERT_TRUE(buffer1_text(2048) == image);
    window->btnProgramAll->click();
    EXPECT_EQ(take_boxes(), (std::vector<Lines>{{"Confirm", "Really want to program the Device ?"},
                                                 {" EEProm", "EEProm Write Through", "Successfully Completed"}}));
    expect_idle();
    // The verify that always follows the write was the last routine: 2048 bytes in reads of 128.
    EXPECT_EQ(window->ProgBar->maximum(), (2047 - 1) / 128);

    // Read back into a cleared buffer: identical, no message, the buffer still counts as empty.
    window->btnReadAll->click();
    EXPECT_TRUE(take_boxes().empty());
    EXPECT_TRUE(buffer1_text(2048) == image) << "read back identical";
    EXPECT_TRUE(buffer1().empty);
    EXPECT_EQ(window->status_text(2), "");
    expect_idle();
    const std::string back = (dir.path() / "back.bin").string();
    next_file = QString::fromStdString(back);
    window->btnSaveAs_File->click();
    EXPECT_TRUE(read_file(back) == image);

    window->btnVerify->click();
    EXPECT_EQ(take_boxes(), (std::vector<Lines>{{" EEProm", "EEProm Verify Through", "Successfully Completed"}}));
    expect_idle();

    // A difference in the buffer: the verify names its block.
    buffer1().bytes[0x0105] ^= 0x40;
    window->btnVerify->click();
    EXPECT_EQ(take_boxes(), (std::vector<Lines>{{" ERROR!", "EEProm Verify Through Not Successfull",
                                                  "Fail Address = 0100h"}}));
    expect_idle();

    // Erase, after its confirmation; a read then gives FF everywhere.
    window->btnEraseAll->click();
    EXPECT_EQ(take_boxes(), (std::vector<Lines>{{"Confirm", "Really want to erase the Device ?"},
                                                 {" EEProm", "EEProm Erase Through", "Successfully Completed"}}));
    expect_idle();
    buffer1().bytes[5] = 0x00;
    window->btnReadAll->click();
    EXPECT_TRUE(buffer1_text(2048) == std::string(2048, '\xFF'));
    EXPECT_TRUE(take_boxes().empty());

    // Back to the loader step.
    window->btnBackWriteLoader->click();
    EXPECT_EQ(window->work_mode(), kModeIsoPic);
    EXPECT_TRUE(shown(window->btnWrite876Ldr));
}

TEST_F(CardWindowOnSim, SixteenF877CardAtTheFasterClockWithoutTheTypeCheck) {
    settings.check_pic = 0;
    settings.confirm_program = settings.confirm_erase = 0;
    settings.card_reader_clock = 1;
    window->btnWizard->click();
    window->iso_card_dialog_hook = [](IsoCardSelectDialog& d) {
        d.card_button(0, 2)->click();   // SilverCard: 16F877 with a 24C64
        d.OKButton->click();
    };
    window->btnIsoCard->click();
    ASSERT_EQ(settings.iso_pic_device, 3);
    window->btnWrite876Ldr->click();
    ASSERT_EQ(window->work_mode(), kModeIsoEEProm);
    EXPECT_TRUE(take_boxes().empty());
    EXPECT_EQ(window->status_text(1), "I/O - SmartM 6.00Mhz - COM2,16457,8,E,2");
    EXPECT_EQ(window->Items_List->currentText().trimmed(), "24C64");

    for (std::size_t i = 0; i < 8192; ++i) buffer1().bytes[i] = std::uint8_t(i ^ (i >> 5));
    const std::string image = buffer1_text(8192);
    window->btnProgramAll->click();
    EXPECT_EQ(take_boxes(), (std::vector<Lines>{{" EEProm", "EEProm Write Through", "Successfully Completed"}}));
    window->btnReadAll->click();
    EXPECT_TRUE(buffer1_text(8192) == image);
    EXPECT_TRUE(take_boxes().empty());
}

TEST_F(CardWindowOnSim, ACardWithoutItsLoaderAnswersNothing) {
    settings.iso_pic_device = 0;
    settings.iso_eeprom_device = 4;
    window->btnWizard->click();
    window->btnWriteLoaderSkip->click();   // the simulated card's PIC holds no loader
    ASSERT_EQ(window->work_mode(), kModeIsoEEProm);
    window->btnReadAll->click();
    EXPECT_EQ(take_boxes(), (std::vector<Lines>{{" ERROR!", "No ATR Received"}}));
    expect_idle();
}

} // namespace
} // namespace korvane::test
