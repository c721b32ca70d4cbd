// The EEPROM work mode of the window: line mode, device list, the five EEPROM buffers and the
// EEPROM commands against the simulated programmer on the virtual clock.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include "eeprom/ti2c.h"
#include "files/file_names.h"
#include "sim/sim_bench.h"
#include "ui/config_panel.h"
#include "ui/eeprom_side.h"
#include "ui/io_config_dialog.h"
#include "ui/mem_grid.h"
#include "ui/options_dialog.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

class EEPromModeTest : public WindowTest {
protected:
    void SetUp() override {
        sim::SimBench::instance().reset_from_env();
        WindowTest::SetUp();
        settings.confirm_program = settings.confirm_erase = 0;
        window->priority_hook = [](int) {};
        window->btnEEPromProgramming->click();
    }
    EEPromImage& buffer(int n) { return (*window->eeprom_buffers())[n]; }
    TI2C& ti2c() { return window->eeprom_side()->ti2c(); }
};

TEST_F(EEPromModeTest, TheModeSwitchesTheEEPromLineModeAndFillsTheDeviceList) {
    EXPECT_TRUE(window->eeprom_line_mode());
    ASSERT_EQ(window->Items_List->count(), 11);
    EXPECT_EQ(window->Items_List->itemText(0), "24C01");
    EXPECT_EQ(window->Items_List->itemText(7), "24C65");
    EXPECT_EQ(window->Items_List->itemText(10), "24C512");
    EXPECT_EQ(ti2c().type, settings.eeprom_device);
    EXPECT_EQ(ti2c().image, buffer(1).bytes.data());
    EXPECT_EQ(ti2c().port_name, "SIM");
    EXPECT_EQ(window->EEPromWin->ByteSize(), 2048);
    window->btnPICProgramming->click();
    EXPECT_FALSE(window->eeprom_line_mode());
    EXPECT_EQ(window->eeprom_side(), nullptr);
}

TEST_F(EEPromModeTest, MarksFollowTheirBufferAndATypeChangeBlanksAllFive) {
    window->btnBuffer[1]->click();
    EXPECT_EQ(ti2c().image, buffer(2).bytes.data());
    window->EEPromWin->set_changed(5, true);
    buffer(2).bytes[5] = 0x12;
    window->btnBuffer[2]->click();
    EXPECT_EQ(window->EEPromWin->pack_changed(), std::string(256, '\0'));
    window->btnBuffer[1]->click();
    std::string expect(256, '\0');
    expect[0] = char(0x04);   // element 5 in the first byte, most significant bit first
    EXPECT_EQ(window->EEPromWin->pack_changed(), expect);

    for (int n = 1; n <= 5; ++n) buffer(n).bytes[100] = 0;
    buffer(3).file_name = "x.bin";
    window->Items_List->setCurrentIndex(0);
    window->change_device(0);   // 24C01
    EXPECT_EQ(settings.eeprom_device, 0);
    EXPECT_EQ(ti2c().last_address, 127);
    EXPECT_EQ(window->EEPromWin->ByteSize(), 128);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(buffer(n).bytes[100], 0xFF) << n;
        EXPECT_TRUE(buffer(n).empty);
    }
    EXPECT_EQ(buffer(2).bytes[5], 0xFF);
    EXPECT_TRUE(buffer(3).file_name.empty());
    EXPECT_EQ(ti2c().image, buffer(2).bytes.data());   // still the active buffer
    EXPECT_EQ(window->EEPromWin->pack_changed(), std::string(16, '\0'));
}

TEST_F(EEPromModeTest, AnEmptySocketGivesOneNoAcknowledgeFromTheButtonsAndTheMenu) {
    sim::SimBench::instance().set_faults("empty");
    window->btnReadAll->click();
    window->Verify1->trigger();
    EXPECT_EQ(count_boxes("EEProm No Acknowledge Received"), 2);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].lines[0], " ERROR!");
    EXPECT_TRUE(buffer(1).empty);
    EXPECT_FALSE(window->busy());
    EXPECT_TRUE(window->Items_List->isEnabled());
    EXPECT_FALSE(window->btnAbort->isVisibleTo(window.get()));
    EXPECT_FALSE(window->eeprom_task_running());
    EXPECT_EQ(window->RecentDev[0]->text(), "EEProm 24C16");
    sim::SimBench::instance().set_faults("");
}

TEST_F(EEPromModeTest, ProgramAsksFirstAndNoRunsNothing) {
    settings.confirm_program = 1;
    answers = {mbNo};
    window->ProgramAll1->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{"Confirm", "Really want to program the Device ?"}));
    EXPECT_FALSE(window->RecentDev[0]->isVisible());
}

TEST_F(EEPromModeTest, A24C512ImageFromABinFileGoesInComesBackAndVerifies) {
    TempDir dir;
    std::string bytes(65536, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 31 + i / 256) & 0xFF);
    const std::string bin = (dir.path() / "image.bin").string();
    write_file(bin, bytes);

    window->EEPromDeviceItems[10]->trigger();   // 24C512
    ASSERT_EQ(window->EEPromWin->ByteSize(), 65536);
    next_file = QString::fromStdString(bin);
    window->OpenFile->trigger();
    ASSERT_FALSE(buffer(1).empty);
    settings.eprom_verify_after = 1;
    window->btnProgramAll->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{" EEProm", "EEProm Write Successfully Completed"}));

    window->btnBuffer[1]->click();
    window->ReadAll1->trigger();
    EXPECT_FALSE(buffer(2).empty);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), buffer(2).bytes.begin(),
                           [](char a, std::uint8_t b) { return std::uint8_t(a) == b; }));
    const std::string back = (dir.path() / "back.bin").string();
    next_file = QString::fromStdString(back);
    window->SaveFileAs->trigger();
    EXPECT_TRUE(read_file(back) == bytes);

    window->btnVerify->click();
    EXPECT_EQ(boxes.back().lines, (std::vector<std::string>{" EEProm", "EEProm Verify Successfully Completed"}));
    buffer(2).bytes[0xBEEF] ^= 0x01;
    window->Verify1->trigger();
    EXPECT_EQ(boxes.back().lines,
              (std::vector<std::string>{" ERROR!", "EEProm Verify Not Successfull", "Fail Address = BEEFh"}));
    EXPECT_EQ(boxes.size(), 3u);
    EXPECT_FALSE(window->busy());
}

TEST_F(EEPromModeTest, AbortDuringAWriteStopsItWithoutTheVerify) {
    settings.eprom_verify_after = 1;
    bool seen_busy = false;
    abort_while_busy(window->EEPromWin, seen_busy);
    window->btnProgramAll->click();
    EXPECT_TRUE(seen_busy);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{"EEProm 24C16", "Process Aborted"}));
    expect_idle(window->EEPromWin);
    EXPECT_TRUE(window->Items_List->isEnabled());
}

TEST_F(EEPromModeTest, TheCardEEPromModeKeepsOneBufferOfTheCardsType) {
    settings.iso_eeprom_device = 2;   // 24C04
    window->btnPICProgramming->click();
    ASSERT_FALSE(window->eeprom_line_mode());
    window->request_mode(kModeIsoEEProm);
    EXPECT_FALSE(window->eeprom_line_mode());   // left as it was
    EXPECT_EQ(ti2c().type, 2);
    EXPECT_EQ(window->EEPromWin->ByteSize(), 512);
    EXPECT_EQ(window->Items_List->currentText(), "24C04");
    EXPECT_TRUE(buffer(1).empty);
    EXPECT_EQ(buffer(1).bytes[511], 0xFF);
    EXPECT_FALSE(window->btnBuffer[1]->isVisibleTo(window.get()));

    buffer(2).bytes[0] = 0x00;   // exists, but is not offered
    buffer(1).bytes[3] = 0x00;
    window->EEPromDeviceItems[3]->trigger();   // 24C08
    EXPECT_EQ(settings.iso_eeprom_device, 3);
    EXPECT_EQ(settings.eeprom_device, 4);
    EXPECT_EQ(buffer(1).bytes[3], 0xFF);
    EXPECT_EQ(buffer(2).bytes[0], 0x00);
    EXPECT_EQ(window->EEPromWin->ByteSize(), 1024);
}

// What the I/O Configuration and Options dialogs change reaches the EEPROM side when they close
// with OK: the port, the EEPROM bit time, the progress bar and the status bar.
class EEPromAfterDialogsTest : public EEPromModeTest {
protected:
    void SetUp() override {
        EEPromModeTest::SetUp();
        window->port_list.names = {"COM5", "SIM"};
        window->port_list.labels = window->port_list.names;
        window->port_available = [](const std::string&) { return true; };
    }
    // Opens the dialog behind `command`, runs `edit` on it and presses its OK button.
    template <class Dialog>
    void with_ok(QAction* command, const std::function<void(Dialog&)>& edit) {
        window->dialog_hook = [edit](QDialog& d) {
            auto& dialog = dynamic_cast<Dialog&>(d);
            edit(dialog);
            dialog.OKButton->click();
        };
        command->trigger();
    }
    void io_configuration(const std::function<void(TConfiguration&)>& edit) { with_ok(window->IOConfiguration, edit); }
    void options(const std::function<void(TApplOption&)>& edit) { with_ok(window->Options2, edit); }
    // Virtual time one Read EEPROM task takes.
    std::uint64_t timed_read() {
        IClock& clock = sim::SimBench::instance().clock();
        const std::uint64_t t0 = clock.now_us();
        window->btnReadAll->click();
        return clock.now_us() - t0;
    }
};

TEST_F(EEPromAfterDialogsTest, TheLinesWaitTheNewBitTimeAndIgnoreTheOutputInversions) {
    sim::SimBench& bench = sim::SimBench::instance();
    bench.select_target(TargetKind::EEProm, 4);   // the 24C16 of the settings
    for (std::uint32_t a = 0; a < 2048; ++a) bench.eeprom()->set_byte(a, std::uint8_t(a ^ 0x5A));
    const std::uint64_t at_one_us = timed_read();
    ASSERT_TRUE(boxes.empty());

    io_configuration([](TConfiguration& c) {
        c.EEBittimeSlider->setValue(30);
        c.Invert_DataOut->click();
        c.Invert_Clock->click();
    });
    EXPECT_EQ(settings.current_programmer().eeprom_bit_time_us, 30u);
    EXPECT_EQ(window->status_text(0), "EEProm Programming on JDM");
    EXPECT_EQ(window->status_text(1), "I/O - SIM    Delay : 30us    Windows API");
    const std::uint64_t at_thirty_us = timed_read();
    EXPECT_TRUE(boxes.empty());
    for (std::uint32_t a = 0; a < 2048; ++a) ASSERT_EQ(buffer(1).bytes[a], std::uint8_t(a ^ 0x5A)) << a;
    // Each byte takes at least 20 line changes (17 to receive it, 3 for the acknowledge bit),
    // each now followed by a wait some 25 us longer (30 counts of the PC timer).
    EXPECT_GE(at_thirty_us, at_one_us + 20u * 20u * 2048u);

    // The PIC mode's lines honour the same inversions: the 16F84's ID ("0560") does not come through.
    window->btnPICProgramming->click();
    ASSERT_FALSE(window->eeprom_line_mode());
    window->btnReadAll->click();
    EXPECT_NE(window->config->PICID->text(), "0560");
}

TEST_F(EEPromAfterDialogsTest, TheNextTaskUsesThePortChosenInTheDialog) {
    setenv("KORVANE_COM5", "/nonexistent/korvane-test-port", 1);
    io_configuration([](TConfiguration& c) {
        c.COMPort->setCurrentIndex(0);
        emit c.COMPort->activated(0);
    });
    EXPECT_EQ(ti2c().port_name, "COM5");
    EXPECT_EQ(window->status_text(1), "I/O - COM5    Delay : 1us    Windows API");
    window->btnReadAll->click();
    unsetenv("KORVANE_COM5");
    EXPECT_EQ(count_boxes("Couldn't get a handle to the COM port"), 1);
    EXPECT_EQ(count_boxes("EEProm No Acknowledge Received"), 0);
    EXPECT_FALSE(window->busy());

    io_configuration([](TConfiguration& c) {
        c.COMPort->setCurrentIndex(1);
        emit c.COMPort->activated(1);
    });
    EXPECT_EQ(ti2c().port_name, "SIM");
    boxes.clear();
    window->btnReadAll->click();
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(buffer(1).empty);
}

TEST_F(EEPromAfterDialogsTest, ShowProgressBarAttachesAndDetachesTheBar) {
    options([](TApplOption& o) { o.ShowProgress->click(); });
    ASSERT_EQ(settings.show_progress, 0);
    EXPECT_EQ(ti2c().progress_bar, nullptr);
    window->btnReadAll->click();
    EXPECT_EQ(window->ProgBar->maximum(), 100);   // never touched
    options([](TApplOption& o) { o.ShowProgress->click(); });
    EXPECT_NE(ti2c().progress_bar, nullptr);
    window->btnReadAll->click();
    EXPECT_EQ(window->ProgBar->maximum(), 2047);   // one step per byte of the 24C16
    EXPECT_EQ(window->ProgBar->value(), 0);
    EXPECT_EQ(window->status_text(1), "I/O - SIM    Delay : 1us    Windows API");
}

TEST_F(EEPromModeTest, HexFilesRoundTripThroughTheWindowAndOtherNamesAreRefused) {
    TempDir dir;
    window->EEPromDeviceItems[0]->trigger();   // 24C01
    for (int a = 0; a < 128; ++a) buffer(1).bytes[std::size_t(a)] = std::uint8_t(a);
    const std::string hex = (dir.path() / "image.hex").string();
    next_file = QString::fromStdString(hex);
    window->btnSaveAs_File->click();
    const std::string text = read_file(hex);
    EXPECT_EQ(text.substr(0, 45), ":10000000000102030405060708090A0B0C0D0E0F78\r\n");
    EXPECT_EQ(text.substr(text.size() - 13), ":00000001FF\r\n");

    window->btnBuffer[1]->click();
    window->btnOpen_File->click();
    EXPECT_FALSE(buffer(2).empty);
    EXPECT_TRUE(std::equal(buffer(1).bytes.begin(), buffer(1).bytes.begin() + 128, buffer(2).bytes.begin()));
    EXPECT_EQ(window->status_text(2).toStdString(), display_name(hex));
    EXPECT_TRUE(boxes.empty());

    next_file = QString::fromStdString((dir.path() / "image.txt").string());
    window->OpenFile->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{"EEProm 24C01 ERROR!", "File Type Not Correct"}));
    EXPECT_TRUE(buffer(2).empty);
    EXPECT_EQ(buffer(2).bytes[5], 0xFF);
}

TEST_F(EEPromModeTest, EraseFromTheMenuAsksFirstThenBlanksChipAndBuffer) {
    window->EEPromDeviceItems[1]->trigger();   // 24C02
    sim::SimBench& bench = sim::SimBench::instance();
    bench.select_target(TargetKind::EEProm, 1);
    for (std::uint32_t a = 0; a < 256; ++a) bench.eeprom()->set_byte(a, 0x00);
    buffer(1).bytes[7] = 0x00;
    buffer(1).empty = false;
    settings.confirm_erase = 1;
    answers = {mbYes};
    window->EraseAll1->trigger();   // F8
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{"Confirm", "Really want to erase the Device ?"}));
    EXPECT_EQ(boxes[1].lines, (std::vector<std::string>{" EEProm", "EEProm Erase Successfully Completed"}));
    EXPECT_EQ(boxes[1].kind, MsgKind::Information);
    EXPECT_TRUE(buffer(1).empty);
    EXPECT_EQ(buffer(1).bytes[7], 0xFF);
    for (std::uint32_t a = 0; a < 256; ++a) ASSERT_EQ(bench.eeprom()->byte(a), 0xFF) << a;
    EXPECT_EQ(window->RecentDev[0]->text(), "EEProm 24C02");
}

} // namespace
} // namespace korvane::test
