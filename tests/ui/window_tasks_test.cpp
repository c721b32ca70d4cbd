// PIC tasks from the window against the simulated programmer on the virtual clock.
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "sim/sim_bench.h"
#include "ui/config_panel.h"
#include "ui/mem_grid.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

using TaskTest = SimWindowTest;

TEST_F(TaskTest, ReadPicFillsTheBufferAndShowsTheId) {
    (*window->pic_buffers())[1].file_name = "old.hex";
    window->btnReadAll->click();
    EXPECT_FALSE(window->busy());
    EXPECT_FALSE((*window->pic_buffers())[1].empty);
    EXPECT_TRUE((*window->pic_buffers())[1].file_name.empty());
    EXPECT_EQ(window->config->PICID->text(), "0560");   // the 16F84's device ID
    EXPECT_EQ(count_boxes("Couldn't read from PIC"), 0);
    EXPECT_FALSE(window->btnAbort->isVisibleTo(window.get()));
    ASSERT_GE(priorities.size(), 2u);
    EXPECT_EQ(priorities.front(), 1);   // High while busy
    EXPECT_EQ(priorities.back(), 0);
    EXPECT_TRUE(window->RecentDev[0]->isVisible());
    EXPECT_EQ(window->RecentDev[0]->text(), "PIC 16F84  ");
}

TEST_F(TaskTest, AbortDuringReadPic) {
    bool seen_busy = false;
    abort_while_busy(window->CodeWin, seen_busy);
    window->btnReadAll->click();
    EXPECT_TRUE(seen_busy);
    EXPECT_EQ(count_boxes("Process Aborted"), 1);
    EXPECT_EQ(count_boxes("Couldn't read from PIC"), 0);
    expect_idle(window->CodeWin);
    EXPECT_TRUE((*window->pic_buffers())[1].empty);   // only a successful read clears it
    ASSERT_FALSE(priorities.empty());
    EXPECT_EQ(priorities.back(), 0);
}

TEST_F(TaskTest, CommandsAndShortcutsAreDeadWhileBusy) {
    window->show();
    int reads_started = 0;
    QTimer::singleShot(0, window.get(), [&] {
        ASSERT_TRUE(window->busy());
        window->BufferItems[1]->trigger();       // Ctrl+2
        window->btnBuffer[2]->click();
        window->ReadAll1->trigger();             // F5: no second task
        window->EraseAll1->trigger();
        window->btnEEPromProgramming->click();   // no mode change
        window->PicDeviceItems[1]->trigger();    // no device change
        window->Exit1->trigger();                // no exit
        reads_started = int(boxes.size());
        window->btnAbort->click();
    });
    window->btnReadAll->click();
    EXPECT_EQ(reads_started, 0);   // no confirmation or box from a nested command
    EXPECT_EQ(window->current_buffer(), 1);
    EXPECT_TRUE(window->btnBuffer[0]->isChecked());
    EXPECT_TRUE(window->BufferItems[0]->isChecked());
    EXPECT_FALSE(window->BufferItems[1]->isChecked());
    EXPECT_EQ(window->work_mode(), kModePic);
    EXPECT_EQ(settings.pic_device, 0);
    EXPECT_TRUE(window->PicDeviceItems[0]->isChecked());
    EXPECT_FALSE(window->PicDeviceItems[1]->isChecked());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(TaskTest, ProgramAskedNoDoesNothing) {
    answers = {mbNo};
    window->btnProgramAll->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{"Confirm", "Really want to program the Device ?"}));
    EXPECT_TRUE(priorities.empty());
}

TEST_F(TaskTest, ProgramThenReadBackThroughTheSimulator) {
    window->CodeWin->set_cursor(0, 0, 0, false);
    QTest::keyClicks(window->CodeWin, "2805");
    answers = {mbYes, mbOK, mbOK, mbOK};
    window->btnProgramAll->click();
    EXPECT_EQ(count_boxes("Couldn't read from PIC"), 0);
    window->btnBuffer[1]->click();
    window->btnReadAll->click();
    EXPECT_EQ((*window->pic_buffers())[2].code[0], 0x2805);
    EXPECT_EQ(window->CodeWin->element(0), 0x2805u);
}

TEST_F(TaskTest, Pic18ProgramConfigThenReadBackFillsThePanel) {
    window->PicDeviceItems[10]->trigger();   // PIC 18F452
    PicImage& first = (*window->pic_buffers())[1];
    first.code[0] = 0xEF04;
    first.id[0] = 0x11;
    first.config[1] = 0x0E0C;
    window->btnProgramAll->click();
    EXPECT_EQ(count_boxes("PIC Programming"), 1);
    EXPECT_EQ(count_boxes("Really want to protect the Device ?"), 0);
    window->config->Config[1]->selectAll();
    QTest::keyClicks(window->config->Config[1], "0F0E");
    window->ProgramConfig->trigger();   // Ctrl+F11: the ID and configuration bytes only
    EXPECT_EQ(count_boxes("PIC Programming"), 2);

    window->btnBuffer[1]->click();
    window->btnReadAll->click();
    EXPECT_EQ((*window->pic_buffers())[2].code[0], 0xEF04);
    EXPECT_EQ(window->config->Config[1]->text(), "0F0E");
    EXPECT_EQ(window->config->IDWord[0]->text(), "FF11");
    EXPECT_EQ(window->config->PICID->text(), "0420");
    EXPECT_EQ(count_boxes("Couldn't read from PIC"), 0);
}

TEST_F(TaskTest, IsoPicModeRunsNoAreaProgramming) {
    window->btnWizard->click();
    window->ProgramCodeArea->trigger();
    window->ProgramDataArea->trigger();
    window->ReadAll1->trigger();
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(priorities.empty());
    // Program Config runs its PIC steps there, without a busy period, a program question or,
    // even for a protecting configuration word, the protect question.
    (*window->pic_buffers())[1].config[7] = 0x0000;
    window->ProgramConfig->trigger();
    EXPECT_EQ(count_boxes("Really want to program the Device ?"), 0);
    EXPECT_EQ(count_boxes("Really want to protect the Device ?"), 0);
    EXPECT_TRUE(priorities.empty());
}

TEST_F(TaskTest, ClosingDuringATaskAbortsThenClosesAndSaves) {
    window->show();
    settings.priority = 2;   // something to find in the saved file
    QTimer::singleShot(0, window.get(), [&] { window->close(); });
    window->btnReadAll->click();
    EXPECT_EQ(count_boxes("Process Aborted"), 1);
    EXPECT_FALSE(window->busy());
    QTest::qWait(50);   // the deferred close
    EXPECT_FALSE(window->isVisible());
    SettingsRecord saved{};
    ASSERT_TRUE(read_settings_file(config_dir / "Korvane.INI", saved));
    EXPECT_EQ(saved.priority, 2);
    EXPECT_EQ(window->work_mode(), kModePic);
    EXPECT_EQ(window->pic_buffers(), nullptr);   // the mode's objects are gone
}

TEST_F(TaskTest, NormalCloseSavesSettings) {
    window->show();
    settings.confirm_erase = 0;
    window->Exit1->trigger();
    EXPECT_FALSE(window->isVisible());
    SettingsRecord saved{};
    ASSERT_TRUE(read_settings_file(config_dir / "Korvane.INI", saved));
    EXPECT_EQ(saved.confirm_erase, 0);
}

} // namespace
} // namespace korvane::test
