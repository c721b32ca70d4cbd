// Settings > Options: the dialog's texts and rules, and options that reach the operations on the
// simulated programmer at the moment of use.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

#include "sim/sim_bench.h"
#include "ui/config_panel.h"
#include "ui/options_dialog.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

class OptionsDialogTest : public SimWindowTest {
protected:
    void install_hooks() override {
        window->port_list.names = {"COM1", "COM2", "SIM"};
        window->port_list.labels = window->port_list.names;
        window->port_available = [this](const std::string& name) { return name != in_use; };
        window->dialog_hook = [this](QDialog& d) {
            auto& o = dynamic_cast<TApplOption&>(d);
            if (work) work(o);
            else o.CancelButton->click();
        };
    }
    // Opens Options, runs `edit` on it and presses OK.
    void options(const std::function<void(TApplOption&)>& edit) {
        work = [edit](TApplOption& o) {
            edit(o);
            o.OKButton->click();
        };
        window->Options2->trigger();
        work = nullptr;
    }
    std::string in_use;
    std::function<void(TApplOption&)> work;
};

TEST_F(OptionsDialogTest, ShowsTheSettingsWithTheSystemsTexts) {
    work = [](TApplOption& o) {
        EXPECT_EQ(o.windowTitle(), "Options");
        EXPECT_EQ(o.PageControl->currentIndex(), 0);
        QStringList pages;
        for (int i = 0; i < o.PageControl->count(); ++i) pages << o.PageControl->tabText(i);
        EXPECT_EQ(pages, (QStringList{"General", "Confirmation", "PIC", "EEProm", "Iso Card", "Asm View"}));
        QStringList headings;
        for (QLabel* l : o.PageControl->widget(1)->findChildren<QLabel*>()) headings << l->text();
        EXPECT_TRUE(headings.contains("Confirmation on:"));
        EXPECT_TRUE(o.ShowProgress->isChecked());
        EXPECT_TRUE(o.PriorityHigh->isChecked());
        EXPECT_EQ(o.VerifyAfter->text(), "Verify After    Programming");
        EXPECT_FALSE(o.VerifyAfter->isChecked());
        EXPECT_EQ(o.Skip_3FFF->text(), "Skip Writing H'3FFF Locations");
        EXPECT_TRUE(o.RxHexDec->isChecked());
        EXPECT_EQ(o.RxDecimal->text(), "( D' )  Decimal");
        EXPECT_EQ(o.PicList->currentText(), "16F877");
        EXPECT_EQ(o.PicList->count(), 12);
        EXPECT_EQ(o.EEPromList->currentText(), "24C64");
        EXPECT_EQ(o.COMPortSM->currentText(), "COM2");
        EXPECT_TRUE(o.SMouse_357->isChecked());
        o.CancelButton->click();
    };
    window->btnOptions->click();
}

TEST_F(OptionsDialogTest, CancelKeepsTheSettingsAndThe18FRuleShowsOnTheClockButtons) {
    const SettingsRecord before = settings;
    in_use = "SIM";
    work = [](TApplOption& o) {
        o.SMouse_600->click();
        EXPECT_TRUE(o.SMouse_600->isChecked());
        o.PicList->setCurrentIndex(10);
        emit o.PicList->activated(10);   // 18F452
        EXPECT_TRUE(o.SMouse_357->isChecked());
        EXPECT_FALSE(o.SMouse_600->isEnabled());
        o.PicList->setCurrentIndex(1);
        emit o.PicList->activated(1);    // 16F628: offered again, not chosen
        EXPECT_TRUE(o.SMouse_600->isEnabled());
        EXPECT_TRUE(o.SMouse_357->isChecked());
        o.COMPortSM->setCurrentIndex(2);
        emit o.COMPortSM->activated(2);  // in use: back to COM2
        EXPECT_EQ(o.COMPortSM->currentText(), "COM2");
        o.ConfirmErase->click();
        o.PriorityRealTime->click();
        o.CancelButton->click();
    };
    window->Options2->trigger();
    EXPECT_EQ(std::memcmp(&before, &settings, sizeof settings), 0);
}

TEST_F(OptionsDialogTest, GeneralProgressAndPriorityAtTheNextTask) {
    options([](TApplOption& o) {
        o.ShowProgress->click();
        o.PriorityRealTime->click();
    });
    EXPECT_EQ(settings.show_progress, 0);
    EXPECT_EQ(settings.priority, 2);
    window->btnReadAll->click();
    ASSERT_FALSE(priorities.empty());
    EXPECT_EQ(priorities.front(), 2);
    EXPECT_EQ(window->ProgBar->maximum(), 100);   // the read never got the bar
    options([](TApplOption& o) { o.ShowProgress->click(); });
    window->btnReadAll->click();
    EXPECT_EQ(window->ProgBar->maximum(), 1024 + 64 + 8);   // code, data, configuration steps
}

TEST_F(OptionsDialogTest, ConfirmationProgramQuestionGoesAway) {
    answers = {mbNo};
    window->btnProgramAll->click();
    EXPECT_EQ(count_boxes("Really want to program the Device ?"), 1);
    options([](TApplOption& o) { o.ConfirmProgram->click(); });
    boxes.clear();
    window->btnProgramAll->click();
    EXPECT_EQ(count_boxes("Really want to program the Device ?"), 0);
    EXPECT_FALSE(boxes.empty());   // the program ran and reported
}

TEST_F(OptionsDialogTest, PicCheckPicTypeDecidesWhetherAWrongChipIsRead) {
    sim::SimBench::instance().set_faults("id=0x1234");
    window->btnReadAll->click();
    EXPECT_EQ(count_boxes("Wrong PIC Type Selected"), 1);
    options([](TApplOption& o) { o.CheckPIC->click(); });
    boxes.clear();
    window->btnReadAll->click();
    EXPECT_EQ(count_boxes("Wrong PIC Type Selected"), 0);
    EXPECT_FALSE((*window->pic_buffers())[1].empty);
    EXPECT_EQ(window->config->PICID->text(), "3FFF");
}

TEST_F(OptionsDialogTest, EEPromVerifyAfterProgrammingFindsAWriteProtectedChip) {
    window->btnEEPromProgramming->click();
    sim::SimBench::instance().set_faults("wp");   // the chip ignores every write
    (*window->eeprom_buffers())[1].bytes[3] = 0x5A;
    window->btnProgramAll->click();
    EXPECT_EQ(count_boxes("EEProm Verify Not Successfull"), 1);
    options([](TApplOption& o) { o.EPromVerifyAfter->click(); });
    boxes.clear();
    window->btnProgramAll->click();
    EXPECT_EQ(count_boxes("EEProm Verify Not Successfull"), 0);
    EXPECT_EQ(count_boxes("EEProm Write Successfully Completed"), 1);
}

TEST_F(OptionsDialogTest, IsoCardReaderClockReachesTheCardModesStatusBar) {
    window->btnWizard->click();
    window->btnWriteLoaderSkip->click();   // on to the ISO-EEPROM mode
    ASSERT_EQ(window->work_mode(), kModeIsoEEProm);
    EXPECT_EQ(window->status_text(1), "I/O - SmartM 3.57Mhz - COM2,9600,8,E,2");
    options([](TApplOption& o) { o.SMouse_600->click(); });
    EXPECT_EQ(window->status_text(1), "I/O - SmartM 6.00Mhz - COM2,16457,8,E,2");
}

TEST_F(OptionsDialogTest, AsmViewRadixChangesTheListing) {
    (*window->pic_buffers())[1].code[0] = 0x300C;   // movlw 12
    options([](TApplOption& o) { o.RxDecimal->click(); });
    EXPECT_EQ(settings.radix, 0);
    window->btnAssembView->click();
    EXPECT_TRUE(window->AssemblerWin->toPlainText().contains("MOVLW     D'12\n"))
        << window->AssemblerWin->toPlainText().left(400).toStdString();
}

TEST_F(OptionsDialogTest, IsoCardPicTypeReachesTheIsoPicModeAfterTheDialog) {
    window->btnWizard->click();
    options([](TApplOption& o) {
        o.PicList->setCurrentIndex(0);
        emit o.PicList->activated(0);   // 16F84
    });
    EXPECT_EQ(settings.iso_pic_device, 0);
    EXPECT_EQ(window->Items_List->currentText(), "16F84");
    EXPECT_EQ(window->device_index(), 0);
}

} // namespace
} // namespace korvane::test
