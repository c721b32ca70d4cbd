// The configuration panel as the user drives it: lists, fuse boxes and word boxes.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "ui/config_panel.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

class PanelTest : public WindowTest {
protected:
    PicImage& image() { return (*window->pic_buffers())[window->current_buffer()]; }
    void pick_device(int index) { window->PicDeviceItems[std::size_t(index)]->trigger(); }
    void set_word(std::uint16_t w) {
        image().config[7] = w;
        window->refresh_views(false);
    }
    void choose(QComboBox* list, int index) {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    ConfigPanel* panel() { return window->config; }
};

TEST_F(PanelTest, Pic16F84DecodesAndEncodesProtection) {
    settings.verify_after = 1;
    set_word(0x3FF9);
    EXPECT_EQ(panel()->Oscillator->currentText(), "XT");
    EXPECT_EQ(panel()->CodeProtect->currentText(), "CP OFF");
    EXPECT_FALSE(panel()->WDT->isChecked());
    EXPECT_FALSE(panel()->PWRT->isChecked());
    EXPECT_FALSE(panel()->BODEN->isEnabled());
    EXPECT_EQ(panel()->ConfigWord->text(), "3FF9");
    choose(panel()->CodeProtect, 1);   // "CP ON"
    EXPECT_EQ(image().config[7], 0x0009);
    EXPECT_EQ(panel()->ConfigWord->text(), "0009");
    EXPECT_EQ(settings.verify_after, 0);
    choose(panel()->CodeProtect, 0);
    EXPECT_EQ(image().config[7], 0x3FF9);
}

TEST_F(PanelTest, Pic16F628OscillatorAndProtectionRanges) {
    pick_device(1);
    EXPECT_EQ(image().config[7], 0x3F08);
    EXPECT_EQ(panel()->Oscillator->count(), 8);
    choose(panel()->Oscillator, 4);   // "IntRC I/O"
    EXPECT_EQ(image().config[7], 0x3F18);
    choose(panel()->CodeProtect, 1);   // "CP 0200h - 07FFh"
    EXPECT_EQ(image().config[7], 0x1718);
    EXPECT_TRUE(panel()->MCLR->isEnabled());
}

TEST_F(PanelTest, Pic16F877FuseClickUsesActiveLowBits) {
    pick_device(3);
    EXPECT_EQ(image().config[7], 0x3D38);
    EXPECT_FALSE(panel()->DEBUGGER->isChecked());
    panel()->DEBUGGER->click();
    EXPECT_EQ(image().config[7], 0x3538);
    EXPECT_EQ(panel()->ConfigWord->text(), "3538");
    EXPECT_TRUE(panel()->DEBUGGER->isChecked());
    EXPECT_FALSE(panel()->MCLR->isEnabled());
}

TEST_F(PanelTest, RefusedChoicesWhileBusyKeepShowingTheWord) {
    settings.verify_after = 1;
    set_word(0x3FF9);
    panel()->is_busy = [] { return true; };
    choose(panel()->Oscillator, 3);
    choose(panel()->CodeProtect, 1);
    panel()->WDT->click();
    EXPECT_EQ(image().config[7], 0x3FF9);
    EXPECT_EQ(panel()->Oscillator->currentText(), "XT");
    EXPECT_EQ(panel()->CodeProtect->currentText(), "CP OFF");
    EXPECT_FALSE(panel()->WDT->isChecked());
    EXPECT_EQ(settings.verify_after, 1);
}

TEST_F(PanelTest, WordBoxesFilterKeysAndStoreTyping) {
    QLineEdit* id1 = panel()->IDWord[0];
    id1->clear();
    id1->setFocus();
    QTest::keyClicks(id1, "3g f");   // "g" and the blank are dropped, "f" becomes "F"
    EXPECT_EQ(id1->text(), "3F");
    EXPECT_EQ(image().config[0], 0x3F00);   // missing digits count as 0
    QTest::keyClicks(id1, "12345");
    EXPECT_EQ(id1->text(), "3F12");   // four characters at most
    EXPECT_EQ(image().config[0], 0x3F12);
    QLineEdit* word = panel()->ConfigWord;
    word->selectAll();
    QTest::keyClicks(word, "0001");
    EXPECT_EQ(image().config[7], 0x0001);
    EXPECT_EQ(panel()->Oscillator->currentText(), "LP");   // 0x3FF8 still: the choices follow at the next rebuild
}

TEST_F(PanelTest, Pic18FShowsRawWordsAndStoresIdBytes) {
    pick_device(10);   // 18F452
    EXPECT_FALSE(panel()->Oscillator->isVisibleTo(window.get()));
    EXPECT_FALSE(panel()->WDT->isVisibleTo(window.get()));
    EXPECT_TRUE(panel()->Config[0]->isVisibleTo(window.get()));
    EXPECT_EQ(panel()->Lab_Conf_Word->text(), "Config 7");
    for (QLineEdit* box : panel()->Config) EXPECT_EQ(box->text(), "FFFF");
    EXPECT_EQ(panel()->ConfigWord->text(), "FFFF");
    for (QLineEdit* box : panel()->IDWord) EXPECT_EQ(box->text(), "FFFF");
    QLineEdit* cw = panel()->ConfigWord;
    cw->selectAll();
    QTest::keyClicks(cw, "1234");
    EXPECT_EQ(image().config[6], 0x1234);
    QLineEdit* id2 = panel()->IDWord[1];
    id2->selectAll();
    QTest::keyClicks(id2, "ABCD");
    EXPECT_EQ(image().id[2], 0xCD);
    EXPECT_EQ(image().id[3], 0xAB);
}

TEST_F(PanelTest, BufferChangeRebuildsFromTheNewBuffer) {
    (*window->pic_buffers())[2].config[7] = 0x3FFA;
    window->btnBuffer[1]->click();
    EXPECT_EQ(panel()->Oscillator->currentText(), "HS");
    EXPECT_EQ(panel()->ConfigWord->text(), "3FFA");
}

} // namespace
} // namespace korvane::test
