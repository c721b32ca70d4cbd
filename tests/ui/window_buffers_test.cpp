#include <QActionGroup>
#include <QComboBox>
#include <QTest>
#include <QToolButton>

#include "files/file_names.h"
#include "pic/pic_catalogue.h"
#include "ui/mem_grid.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

using BufferTest = WindowTest;

void type_at_start(TMemGrid* grid, const char* keys) {
    grid->set_cursor(0, 0, 0, false);
    QTest::keyClicks(grid, keys);
}

TEST_F(BufferTest, MarksComeBackWithTheirBuffer) {
    window->btnBuffer[1]->click();
    ASSERT_EQ(window->current_buffer(), 2);
    EXPECT_EQ(window->status_text(2), "");
    type_at_start(window->CodeWin, "2805");
    type_at_start(window->DataWin, "11");
    EXPECT_EQ((*window->pic_buffers())[2].code[0], 0x2805);
    EXPECT_TRUE(window->CodeWin->changed(0));

    window->btnBuffer[2]->click();
    EXPECT_EQ(window->current_buffer(), 3);
    EXPECT_TRUE(window->BufferItems[2]->isChecked());
    EXPECT_FALSE(window->BufferItems[1]->isChecked());
    EXPECT_FALSE(window->CodeWin->changed(0));
    EXPECT_EQ(window->CodeWin->element(0), 0x3FFFu);

    window->btnBuffer[1]->click();
    EXPECT_TRUE(window->CodeWin->changed(0));
    EXPECT_TRUE(window->DataWin->changed(0));
    EXPECT_EQ(window->CodeWin->element(0), 0x2805u);
    // Clicking the active buffer again changes nothing.
    window->btnBuffer[1]->click();
    EXPECT_TRUE(window->CodeWin->changed(0));
}

TEST_F(BufferTest, MenuItemsSelectBuffers) {
    window->BufferItems[3]->trigger();
    EXPECT_EQ(window->current_buffer(), 4);
    EXPECT_TRUE(window->btnBuffer[3]->isChecked());
}

TEST_F(BufferTest, PicButtonTwiceKeepsTheBuffers) {
    type_at_start(window->CodeWin, "1234");
    window->btnPICProgramming->click();
    EXPECT_EQ(window->work_mode(), kModePic);
    EXPECT_EQ((*window->pic_buffers())[1].code[0], 0x1234);
    EXPECT_TRUE(window->CodeWin->changed(0));
}

TEST_F(BufferTest, DeviceChangeBlanksAllFiveBuffers) {
    for (int n = 1; n <= 5; ++n) {
        (*window->pic_buffers())[n].code[0] = 0x0123;
        (*window->pic_buffers())[n].empty = false;
        (*window->pic_buffers())[n].file_name = "x.hex";
    }
    window->btnBuffer[2]->click();
    window->Items_List->setCurrentIndex(1);
    emit window->Items_List->activated(1);   // the user picks 16F628
    EXPECT_EQ(settings.pic_device, 1);
    EXPECT_EQ(window->device_index(), 1);
    EXPECT_TRUE(window->PicDeviceItems[1]->isChecked());
    EXPECT_FALSE(window->PicDeviceItems[0]->isChecked());
    for (int n = 1; n <= 5; ++n) {
        const PicImage& img = (*window->pic_buffers())[n];
        EXPECT_EQ(img.code[0], 0x3FFF) << n;
        EXPECT_EQ(img.config[7], 0x3F08) << n;
        EXPECT_TRUE(img.empty) << n;
        EXPECT_TRUE(img.file_name.empty()) << n;
    }
    EXPECT_EQ(window->current_buffer(), 3);
    EXPECT_EQ(window->CodeWin->ByteSize(), 4096);
    EXPECT_EQ(window->DataWin->ByteSize(), 128);
}

TEST_F(BufferTest, DeviceItemsAreRadioItemsOfTheirFamily) {
    for (QAction* a : window->PicDeviceItems) {
        ASSERT_NE(a->actionGroup(), nullptr);
        EXPECT_TRUE(a->actionGroup()->isExclusive());
    }
    EXPECT_NE(window->PicDeviceItems[0]->actionGroup(), window->EEPromDeviceItems[0]->actionGroup());
    // Choosing the checked item again leaves it checked.
    window->PicDeviceItems[0]->trigger();
    EXPECT_TRUE(window->PicDeviceItems[0]->isChecked());
    window->PicDeviceItems[2]->trigger();
    EXPECT_TRUE(window->PicDeviceItems[2]->isChecked());
    EXPECT_FALSE(window->PicDeviceItems[0]->isChecked());
    EXPECT_TRUE(window->EEPromDeviceItems[4]->isChecked());
}

TEST_F(BufferTest, DeviceMenuActsOnlyInItsMode) {
    window->PicDeviceItems[10]->trigger();   // PIC 18F452
    EXPECT_EQ(settings.pic_device, 10);
    EXPECT_EQ(window->Items_List->currentIndex(), 10);
    window->btnEEPromProgramming->click();
    ASSERT_EQ(window->work_mode(), kModeEEProm);
    window->PicDeviceItems[2]->trigger();   // ignored in the EEPROM mode
    EXPECT_EQ(settings.pic_device, 10);
    EXPECT_FALSE(window->PicDeviceItems[2]->isChecked());
    window->EEPromDeviceItems[9]->trigger();   // 24C256
    EXPECT_EQ(settings.eeprom_device, 9);
    EXPECT_EQ(window->EEPromWin->ByteSize(), 32768);
}

TEST_F(BufferTest, ModeRoundTripGivesBlankBuffers) {
    (*window->pic_buffers())[1].code[0] = 0x0001;
    window->btnBuffer[3]->click();
    window->btnEEPromProgramming->click();
    EXPECT_EQ(window->work_mode(), kModeEEProm);
    EXPECT_EQ(window->previous_mode(), kModePic);
    EXPECT_EQ(window->status_text(0), "EEProm Programming on JDM");
    EXPECT_EQ(window->status_text(1), "I/O - SIM    Delay : 1us    Windows API");
    EXPECT_TRUE(window->EEPromWin->isVisibleTo(window.get()));
    EXPECT_FALSE(window->CodeWin->isVisibleTo(window.get()));
    EXPECT_FALSE(window->btnClearCP->isVisibleTo(window.get()));
    EXPECT_EQ(window->btnReadAll->toolTip(), "Read EEprom");
    EXPECT_EQ(window->Items_List->currentText(), "24C16");
    window->btnPICProgramming->click();
    EXPECT_EQ(window->current_buffer(), 1);
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ((*window->pic_buffers())[n].code[0], 0x3FFF);
        EXPECT_TRUE((*window->pic_buffers())[n].empty);
    }
}

TEST_F(BufferTest, IsoPicModeOffersOnlyBufferOne) {
    window->btnWizard->click();
    EXPECT_EQ(window->work_mode(), kModeIsoPic);
    EXPECT_EQ(window->status_text(0), "Iso-PIC Programming on JDM");
    EXPECT_FALSE(window->btnBuffer[1]->isVisibleTo(window.get()));
    EXPECT_FALSE(window->BufferItems[1]->isVisible());
    EXPECT_FALSE(window->btnOpen_File->isVisibleTo(window.get()));
    EXPECT_TRUE(window->btnWrite876Ldr->isVisibleTo(window.get()));
    EXPECT_TRUE(window->btnIsoCard->isVisibleTo(window.get()));
    EXPECT_FALSE(window->btnBackWriteLoader->isEnabled());
    EXPECT_EQ(window->device_index(), 3);   // the ISO PIC device, 16F877
    EXPECT_EQ((*window->pic_buffers())[1].config[7], 0x3D38);
}

TEST_F(BufferTest, EighteenFAssemblerViewWarns) {
    window->PicDeviceItems[10]->trigger();
    window->btnAssembView->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{"Warning", " Not Available For 16 Bits PIC !"}));
    EXPECT_EQ(boxes[0].kind, MsgKind::Information);
    EXPECT_TRUE(window->CodeWin->isVisibleTo(window.get()));
}

TEST_F(BufferTest, OpenFileDialogAndCancelLeavesBufferCleared) {
    (*window->pic_buffers())[1].code[0] = 0x0001;
    (*window->pic_buffers())[1].empty = false;
    next_file.clear();   // cancelled
    window->OpenFile->trigger();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "Load PIC File");
    EXPECT_EQ(dialogs[0].directory.toStdString(), settings.last_pic_dir.str());
    EXPECT_EQ((*window->pic_buffers())[1].code[0], 0x3FFF);
    EXPECT_TRUE((*window->pic_buffers())[1].empty);
}

TEST_F(BufferTest, SaveAndOpenHexRoundTripThroughTheWindow) {
    TempDir dir;
    const QString file = QString::fromStdString((dir.path() / "image.hex").string());
    type_at_start(window->CodeWin, "2805");
    next_file = file;
    window->SaveFileAs->trigger();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "Save Hex File");
    EXPECT_EQ(dialogs[0].default_suffix, "hex");
    ASSERT_TRUE(std::filesystem::exists(dir.path() / "image.hex"));

    window->btnBuffer[1]->click();
    window->OpenFile->trigger();
    EXPECT_EQ((*window->pic_buffers())[2].code[0], 0x2805);
    EXPECT_FALSE((*window->pic_buffers())[2].empty);
    EXPECT_EQ(window->status_text(2).toStdString(), display_name(file.toStdString()));
    EXPECT_TRUE(window->RecentList[0]->isVisible());
    EXPECT_EQ(window->RecentList[0]->text(), file);
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace korvane::test
