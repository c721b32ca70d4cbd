// 18F devices from the window: the area commands, verify, both erase forms, an abort, and the
// configuration panel's raw words, against the simulated programmer on the virtual clock.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
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

class Pic18Window : public SimWindowTest {
protected:
    void SetUp() override {
        SimWindowTest::SetUp();
        window->PicDeviceItems[11]->trigger();   // PIC 18F458
    }
    PicImage& active() { return (*window->pic_buffers())[window->current_buffer()]; }
    ConfigPanel* panel() { return window->config; }
    // The boxes other than confirmations, since `from`.
    std::vector<ShownBox> results(std::size_t from = 0) const {
        std::vector<ShownBox> r;
        for (std::size_t i = from; i < boxes.size(); ++i)
            if (boxes[i].lines[0] != "Confirm") r.push_back(boxes[i]);
        return r;
    }
    static std::vector<std::string> head(const ShownBox& b, std::size_t n) {
        return {b.lines.begin(), b.lines.begin() + std::ptrdiff_t(std::min(n, b.lines.size()))};
    }
};

TEST_F(Pic18Window, AreaCommandsVerifyAndBothErasesWithTheirTexts) {
    settings.verify_after = 0;   // the area commands report themselves only then
    window->EraseAll1->trigger();   // F8
    ASSERT_EQ(results().size(), 1u);
    EXPECT_EQ(results()[0].lines, (std::vector<std::string>{"PIC 18F458 ", "PIC Erasing", "Successfully Completed"}));

    active().code[0x10] = 0x1234;
    active().data[3] = 0x5A;
    std::size_t mark = boxes.size();
    window->ProgramCodeArea->trigger();   // Ctrl+F9
    ASSERT_EQ(boxes[mark].lines, (std::vector<std::string>{"Confirm", "Really want to program the Device ?"}));
    ASSERT_EQ(results(mark).size(), 1u);
    EXPECT_EQ(head(results(mark)[0], 3),
              (std::vector<std::string>{"PIC 18F458 ", "PIC Programming", "Successfully Completed"}));
    EXPECT_EQ(results(mark)[0].lines.at(3).rfind("Start Time : ", 0), 0u);
    EXPECT_EQ(results(mark)[0].lines.at(4).rfind("End  Time : ", 0), 0u);
    EXPECT_EQ(window->config->PICID->text(), "0860");

    mark = boxes.size();
    window->ProgramDataArea->trigger();   // Ctrl+F10
    ASSERT_EQ(results(mark).size(), 1u);
    EXPECT_EQ(results(mark)[0].lines[1], "PIC Programming");

    mark = boxes.size();
    window->btnVerify->click();
    ASSERT_EQ(results(mark).size(), 1u);
    EXPECT_EQ(head(results(mark)[0], 2), (std::vector<std::string>{"PIC 18F458 ", "Verify Successfully Completed"}));

    mark = boxes.size();
    window->btnClearCP->click();
    ASSERT_EQ(results(mark).size(), 1u);
    EXPECT_EQ(results(mark)[0].lines,
              (std::vector<std::string>{"PIC 18F458 ", "Code Protection", "Successfully Disabled"}));
    mark = boxes.size();
    window->btnVerify->click();
    ASSERT_EQ(results(mark).size(), 1u);
    EXPECT_EQ(results(mark)[0].kind, MsgKind::Error);
    EXPECT_EQ(results(mark)[0].lines, (std::vector<std::string>{"PIC 18F458  ERROR!          PicZone = Program",
                                                               " PIC Verify", "Not Successfully Completed"}));

    window->btnBuffer[1]->click();
    window->btnReadAll->click();
    EXPECT_EQ(active().code[0x10], 0xFFFF);
    EXPECT_EQ(active().data[3], 0xFF);
    EXPECT_EQ(window->CodeWin->element(0x10), 0xFFFFu);
    EXPECT_EQ(count_boxes("Couldn't read from PIC"), 0);
    EXPECT_FALSE(sim::SimBench::instance().sim_serial().is_open());
}

TEST_F(Pic18Window, AbortDuringProgramEndsTheTaskWithOneNotice) {
    for (int i = 0; i < 4096; ++i) active().code[std::size_t(i)] = std::uint16_t(i);
    QTimer::singleShot(0, window.get(), [&] { window->btnAbort->click(); });
    window->btnProgramAll->click();
    EXPECT_EQ(count_boxes("Process Aborted"), 1);
    for (const auto& b : results()) EXPECT_EQ(b.lines, (std::vector<std::string>{"PIC 18F458 ", "Process Aborted"}));
    expect_idle(window->CodeWin);
    EXPECT_TRUE(window->Items_List->isEnabled());   // the panel is rebuilt after the task
    EXPECT_FALSE(sim::SimBench::instance().sim_serial().is_open());
    ASSERT_FALSE(priorities.empty());
    EXPECT_EQ(priorities.back(), 0);

    // The next task runs normally.
    window->btnReadAll->click();
    EXPECT_EQ(count_boxes("Process Aborted"), 1);
    EXPECT_EQ(count_boxes("Couldn't read from PIC"), 0);
}

TEST_F(Pic18Window, PanelShowsAndEditsTheSevenWordsAndTheIdBytes) {
    for (int k = 0; k < 6; ++k) {
        EXPECT_TRUE(panel()->Config[std::size_t(k)]->isVisibleTo(window.get()));
        EXPECT_EQ(panel()->ConfigLab[std::size_t(k)]->text(), QString("Config %1").arg(k + 1));
    }
    EXPECT_EQ(panel()->Lab_Conf_Word->text(), "Config 7");
    EXPECT_FALSE(panel()->CodeProtect->isVisibleTo(window.get()));
    EXPECT_FALSE(panel()->MCLR->isVisibleTo(window.get()));

    for (int k = 0; k < 6; ++k) {
        QLineEdit* box = panel()->Config[std::size_t(k)];
        box->selectAll();
        QTest::keyClicks(box, QString("%1a0").arg(k + 1));   // three digits: the fourth reads 0
        EXPECT_EQ(active().config[std::size_t(k)], std::uint16_t(((k + 1) << 12) | 0x0A00)) << k;
    }
    active().config[7] = 0x1111;   // never shown for an 18F
    active().config[6] = 0x400F;
    active().id = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    window->refresh_views(false);
    EXPECT_EQ(panel()->ConfigWord->text(), "400F");
    EXPECT_EQ(panel()->IDWord[0]->text(), "0201");
    EXPECT_EQ(panel()->IDWord[3]->text(), "0807");
    EXPECT_EQ(panel()->Config[2]->text(), "3A00");

    // The word boxes stay open during a task; the device list does not.
    panel()->is_busy = [] { return true; };
    panel()->lock();
    EXPECT_FALSE(window->Items_List->isEnabled());
    QLineEdit* id4 = panel()->IDWord[3];
    id4->selectAll();
    QTest::keyClicks(id4, "BEEF");
    EXPECT_EQ(active().id[6], 0xEF);
    EXPECT_EQ(active().id[7], 0xBE);
    panel()->is_busy = nullptr;

    // Back on a 16F device the choices come back and word 7 is the configuration word again.
    window->PicDeviceItems[0]->trigger();
    EXPECT_FALSE(panel()->Config[0]->isVisibleTo(window.get()));
    EXPECT_TRUE(panel()->Oscillator->isVisibleTo(window.get()));
    EXPECT_EQ(panel()->Lab_Conf_Word->text(), "Conf Word");
    EXPECT_EQ(panel()->ConfigWord->text(), "3FF8");
}

} // namespace
} // namespace korvane::test
