// Settings > I/O Configuration: the dialog's texts and ranges, its edits of the settings and the
// hardware-check page on the simulated board.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <cstring>

#include "sim/sim_bench.h"
#include "ui/io_config_dialog.h"
#include "ui/port_combo.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

class IoConfigDialogTest : public WindowTest {
protected:
    void SetUp() override {
        sim::SimBench::instance().reset_from_env();
        WindowTest::SetUp();
        window->port_list.names = {"COM1", "COM5", "SIM"};
        window->port_list.labels = {"COM1  ttyS0", "COM5  ttyUSB0", "SIM"};
        // Nothing real is opened: COM1 counts as in use, the others as free.
        window->port_available = [](const std::string& name) { return name != "COM1"; };
        window->dialog_hook = [this](QDialog& d) {
            ++opened;
            auto& c = dynamic_cast<TConfiguration&>(d);
            if (work) work(c);
            else c.CancelButton->click();
        };
    }
    static sim::SimBench& bench() { return sim::SimBench::instance(); }
    int opened = 0;
    std::function<void(TConfiguration&)> work;
};

TEST_F(IoConfigDialogTest, ShowsTheRecordOfTheCurrentType) {
    work = [](TConfiguration& c) {
        EXPECT_EQ(c.windowTitle(), "Configuration");
        EXPECT_EQ(c.PageControl->currentIndex(), 0);
        QStringList pages;
        for (int i = 0; i < c.PageControl->count(); ++i) pages << c.PageControl->tabText(i);
        EXPECT_EQ(pages, (QStringList{"General", "PIC", "EEProm", "Hardware Check"}));
        EXPECT_EQ(c.Programmer_Type->currentText(), "JDM");
        EXPECT_EQ(c.Programmer_Type->count(), 3);
        ASSERT_EQ(c.COMPort->count(), 3);
        EXPECT_EQ(c.COMPort->itemText(0), "COM1  ttyS0");
        EXPECT_FALSE(c.COMPort->itemData(0, kPortAvailableRole).toBool());
        EXPECT_TRUE(c.COMPort->itemData(1, kPortAvailableRole).toBool());
        EXPECT_EQ(c.COMPort->currentText(), "SIM");
        EXPECT_TRUE(c.WinAPI->isChecked());
        EXPECT_EQ(c.WinAPI->text(), "Windows  API");
        EXPECT_EQ(c.SleepTime->text(), "11");
        EXPECT_EQ(c.MaxRetries->text(), "10");
        EXPECT_EQ(c.MaxRetries->maxLength(), 2);
        const std::vector<std::tuple<QSlider*, int, int>> ranges = {
            {c.SliderIO, 30, 5}, {c.Tset0, 200, 20}, {c.Thld0, 200, 20},
            {c.CmdDelay, 20, 5}, {c.BitTime, 20, 5}, {c.EEBittimeSlider, 30, 5}};
        for (const auto& [s, max, page] : ranges) {
            EXPECT_EQ(s->maximum(), max) << s->objectName().toStdString();
            EXPECT_EQ(s->pageStep(), page);
            EXPECT_EQ(s->tickInterval(), page);
        }
        EXPECT_FALSE(c.Invert_VCC->isEnabled());
        c.CancelButton->click();
    };
    window->IOConfiguration->trigger();
    window->btnHardware->click();
    EXPECT_EQ(opened, 2);
}

TEST_F(IoConfigDialogTest, OkKeepsTheEditsOfBothTypesAndTheStatusBarFollows) {
    work = [](TConfiguration& c) {
        c.SliderIO->setValue(20);
        EXPECT_EQ(c.SleepTime->text(), "20");
        c.MaxRetries->clear();
        QTest::keyClicks(c.MaxRetries, "x");   // not a number: kept as it was
        c.Programmer_Type->setCurrentIndex(2);
        emit c.Programmer_Type->activated(2);   // HELL
        EXPECT_EQ(c.SleepTime->text(), "1");
        c.IODirect->click();
        // HELL's stored COM2 is not listed: the first port that opens, COM5.
        EXPECT_EQ(c.COMPort->currentText(), "COM5  ttyUSB0");
        c.COMPort->setCurrentIndex(0);
        emit c.COMPort->activated(0);           // COM1 is in use: springs back
        EXPECT_EQ(c.COMPort->currentText(), "COM5  ttyUSB0");
        c.OKButton->click();
    };
    window->IOConfiguration->trigger();
    EXPECT_EQ(settings.programmer_type, 2);
    EXPECT_EQ(settings.programmers[0].prog_delay_ms, 20u);
    EXPECT_EQ(settings.programmers[0].max_retries, 10u);
    EXPECT_EQ(settings.programmers[2].direct_io, 1);
    EXPECT_EQ(settings.programmers[2].port_name.str(), "COM5");
    EXPECT_EQ(window->status_text(0), "PIC Programming on HELL");
    EXPECT_EQ(window->status_text(1), "I/O - COM5    Delay : 1ms    DirectIO");
}

TEST_F(IoConfigDialogTest, TheHardwarePageDrivesTheBoardWithTheEditedInversionsAndCancelUndoesAll) {
    const SettingsRecord before = settings;
    work = [this](TConfiguration& c) {
        c.PageControl->setCurrentIndex(1);
        c.Invert_DataOut->click();
        c.PageControl->setCurrentIndex(TConfiguration::kHardwarePage);
        EXPECT_TRUE(bench().sim_serial().is_open());
        EXPECT_EQ(settings.programmers[0].invert_data_out, 1);   // committed for the lines
        EXPECT_FALSE(c.EnableVCC->isEnabled());
        EXPECT_FALSE(c.EnableVPP->isEnabled());
        EXPECT_FALSE(c.DataIn->isEnabled());
        // Data Out logically low is DTR high, and CTS echoes it.
        EXPECT_TRUE(bench().board().dtr());
        EXPECT_TRUE(c.DataIn->isChecked());
        c.EnableDataOut->click();
        EXPECT_FALSE(bench().board().dtr());
        EXPECT_FALSE(c.DataIn->isChecked());
        c.EnableClock->click();
        EXPECT_TRUE(bench().board().rts());
        c.EnableMCLR->click();
        EXPECT_TRUE(bench().board().brk());
        c.PageControl->setCurrentIndex(0);   // leaving the page closes the port
        EXPECT_FALSE(bench().sim_serial().is_open());
        c.PageControl->setCurrentIndex(TConfiguration::kHardwarePage);
        EXPECT_TRUE(bench().sim_serial().is_open());
        c.CancelButton->click();
        EXPECT_FALSE(bench().sim_serial().is_open());
    };
    window->IOConfiguration->trigger();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(std::memcmp(&before, &settings, sizeof settings), 0);
}

TEST_F(IoConfigDialogTest, APortThatWillNotOpenIsReportedOnEnteringThePage) {
    settings.current_programmer().port_name.assign("COM5");
    window->port_list.names = {"COM5"};
    window->port_list.labels = {"COM5"};
    work = [](TConfiguration& c) {
        // COM5 leads nowhere on the test machine; make sure of it before entering the page.
        EXPECT_EQ(c.COMPort->currentText(), "COM5");
        c.PageControl->setCurrentIndex(TConfiguration::kHardwarePage);
        EXPECT_FALSE(c.hardware().is_open());
        c.EnableDataOut->click();
        c.OKButton->click();
    };
    setenv("KORVANE_COM5", "/nonexistent/korvane-test-port", 1);
    window->IOConfiguration->trigger();
    unsetenv("KORVANE_COM5");
    EXPECT_EQ(count_boxes("Couldn't get a handle to the COM port"), 1);
}

TEST_F(IoConfigDialogTest, NotOfferedDuringABusyPeriod) {
    (*window->pic_buffers())[1].empty = false;
    (*window->pic_buffers())[2].empty = false;
    (*window->pic_buffers())[2].code[0] = 0;
    window->Compare->trigger();   // the difference walk holds the busy flag
    ASSERT_TRUE(window->busy());
    window->IOConfiguration->trigger();
    window->Options2->trigger();
    EXPECT_EQ(opened, 0);
    window->btnStopDiff->click();
}

} // namespace
} // namespace korvane::test
