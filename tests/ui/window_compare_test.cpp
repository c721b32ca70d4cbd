// Buffer > Compare in the window: the buffer choice, the difference walk and what it locks.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "app/buffer_compare.h"
#include "ui/compare_dialog.h"
#include "ui/config_panel.h"
#include "ui/mem_grid.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

class CompareTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->dialog_hook = [this](QDialog& d) {
            ++dialogs_shown;
            if (on_dialog) on_dialog(dynamic_cast<TCompare_Buffers&>(d));
            else d.reject();
        };
    }
    // A PIC buffer that holds data (as after a file load).
    PicImage& pic(int n) {
        PicImage& img = (*window->pic_buffers())[n];
        img.empty = false;
        return img;
    }
    bool shown(QWidget* w) const { return w->isVisibleTo(window.get()); }

    int dialogs_shown = 0;
    std::function<void(TCompare_Buffers&)> on_dialog;
};

TEST_F(CompareTest, OneOtherBufferWithDataIsComparedAtOnceAndWalked) {
    pic(1).code[0x123] = 0x3FFF;
    pic(4).code[0x123] = 0x0FFF;   // only the high byte differs
    pic(4).code[0x124] = 0x2805;
    pic(4).code[0x3FF] = 0x0000;   // the 16F84's last word
    window->Compare->trigger();
    EXPECT_EQ(dialogs_shown, 0);
    EXPECT_TRUE(window->busy());
    EXPECT_EQ(window->CodeWin->TopRow(), 28);
    EXPECT_EQ(window->CompareAddr->text(), "0120");
    EXPECT_EQ(window->CompareLine->text().left(20), "3FFF 3FFF 3FFF 0FFF ");
    EXPECT_TRUE(window->CodeWin->changed(0x123));
    EXPECT_TRUE(window->CodeWin->ReadOnly());
    EXPECT_TRUE(window->DataWin->ReadOnly());
    for (QWidget* w : std::initializer_list<QWidget*>{window->CompareAddr, window->CompareLine, window->btnNextDiff,
                                                      window->btnStopDiff})
        EXPECT_TRUE(shown(w)) << w->objectName().toStdString();
    EXPECT_FALSE(window->Items_List->isEnabled());
    EXPECT_FALSE(window->config->Oscillator->isEnabled());
    EXPECT_TRUE(window->btnBuffer[0]->isEnabled());
    EXPECT_FALSE(window->btnBuffer[3]->isEnabled());
    // The strip lies on the row under the difference, the row height of the grid.
    const int rh = window->CodeWin->row_height();
    EXPECT_EQ(window->CompareLine->y(), window->CodeWin->y() + window->CodeWin->viewport()->y() + 10 * rh);

    window->btnNextDiff->click();   // 0x124, same row: the texts stay
    EXPECT_TRUE(window->CodeWin->changed(0x123));
    EXPECT_TRUE(window->CodeWin->changed(0x124));
    EXPECT_EQ(window->CompareAddr->text(), "0120");
    window->btnNextDiff->click();   // 0x3FF: another row
    EXPECT_EQ(window->CompareAddr->text(), "03F8");
    EXPECT_EQ(window->CodeWin->TopRow(), (0x3FF - 64) / 8);
    EXPECT_TRUE(boxes.empty());
    window->btnNextDiff->click();
    window->btnNextDiff->click();
    ASSERT_EQ(boxes.size(), 2u);
    for (const ShownBox& b : boxes) {
        EXPECT_EQ(b.lines, (std::vector<std::string>{" Compare Buffers", "No more differencies present!"}));
        EXPECT_EQ(b.kind, MsgKind::Information);
    }
    EXPECT_TRUE(window->busy());

    window->btnStopDiff->click();
    EXPECT_FALSE(window->busy());
    EXPECT_FALSE(window->CodeWin->ReadOnly());
    EXPECT_EQ(window->CodeWin->TopRow(), 0);
    EXPECT_FALSE(window->CodeWin->changed(0x123));
    EXPECT_TRUE(window->Items_List->isEnabled());
    EXPECT_TRUE(window->config->Oscillator->isEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{window->CompareAddr, window->CompareLine, window->btnNextDiff,
                                                      window->btnStopDiff})
        EXPECT_FALSE(shown(w));
    for (QToolButton* b : window->btnBuffer) EXPECT_TRUE(b->isEnabled());
}

TEST_F(CompareTest, TheDialogPreselectsTheFirstOtherBufferAndComparesTheChosenOne) {
    pic(1).code[0] = 0x1111;
    pic(2);
    pic(3).code[9] = 0x0000;
    on_dialog = [this](TCompare_Buffers& d) {
        EXPECT_EQ(d.windowTitle(), "Compare Buffers");
        EXPECT_TRUE(d.CmpBuff[0]->isChecked());
        EXPECT_TRUE(d.CmpBuff[1]->isChecked());
        EXPECT_EQ(d.StaticText[1]->text(), "Buffer2");
        EXPECT_FALSE(d.CmpBuff[3]->isEnabled());   // buffer 4 is empty
        d.CmpBuff[2]->click();                     // buffer 3
        d.OKButton->click();
    };
    window->btnCompareBuff->click();
    EXPECT_EQ(dialogs_shown, 1);
    ASSERT_NE(window->comparison(), nullptr);
    EXPECT_EQ(window->comparison()->difference_count(), 2u);   // words 0 and 9 against buffer 3
    EXPECT_EQ(window->CompareLine->text().left(4), "3FFF");    // buffer 3's word 0
    window->btnStopDiff->click();
}

TEST_F(CompareTest, NothingToCompareOrNoDifference) {
    // Only the active buffer holds data: the dialog opens and its OK compares nothing.
    pic(1);
    on_dialog = [](TCompare_Buffers& d) { d.OKButton->click(); };
    window->Compare->trigger();
    EXPECT_EQ(dialogs_shown, 1);
    EXPECT_FALSE(window->busy());
    EXPECT_EQ(window->comparison(), nullptr);

    pic(5);
    window->Compare->trigger();   // equal images
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{" Compare Buffers", "No differencies found!"}));
    EXPECT_FALSE(window->busy());
    EXPECT_FALSE(shown(window->btnStopDiff));
}

TEST_F(CompareTest, TheWalkHoldsOtherCommandsOffAndClosingStillWorks) {
    window->show();
    pic(1);
    pic(2).code[0] = 0;
    window->Compare->trigger();
    ASSERT_TRUE(window->walking_differences());
    window->btnBuffer[1]->click();
    window->btnEEPromProgramming->click();
    window->Compare->trigger();
    EXPECT_EQ(window->current_buffer(), 1);
    EXPECT_EQ(window->work_mode(), kModePic);
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->busy());
}

TEST_F(CompareTest, EEPromModeComparesTheBytesOfTheType) {
    window->btnEEPromProgramming->click();
    window->change_device(10);   // 24C512
    (*window->eeprom_buffers())[1].empty = false;
    EEPromImage& other = (*window->eeprom_buffers())[2];
    other.empty = false;
    other.bytes[0xFFF3] = 'Z';
    window->Compare->trigger();
    ASSERT_TRUE(window->walking_differences());
    EXPECT_EQ(window->CompareAddr->text(), "00FFF0");
    EXPECT_EQ(window->CompareLine->text(), "FF FF FF 5A FF FF FF FF FF FF FF FF FF FF FF FF  ...Z............");
    EXPECT_EQ(window->CompareAddr->width(), 56);
    EXPECT_EQ(window->EEPromWin->TopRow(), (0xFFF3 - 256) / 16);
    EXPECT_TRUE(window->EEPromWin->changed(0xFFF3));
    EXPECT_TRUE(window->EEPromWin->ReadOnly());
    EXPECT_FALSE(window->Items_List->isEnabled());
    window->btnStopDiff->click();
    EXPECT_TRUE(window->Items_List->isEnabled());
    EXPECT_FALSE(window->EEPromWin->changed(0xFFF3));
    EXPECT_EQ(window->EEPromWin->TopRow(), 0);
}

TEST_F(CompareTest, IsoModesHaveNoComparison) {
    window->btnWizard->click();
    pic(1).code[0] = 0;
    window->Compare->trigger();
    window->btnCompareBuff->click();
    EXPECT_EQ(dialogs_shown, 0);
    EXPECT_FALSE(window->busy());
}

} // namespace
} // namespace korvane::test
