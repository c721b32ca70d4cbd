// The EEPROM work mode of the window: line mode, device list, the five EEPROM buffers and the
// EEPROM commands against the simulated programmer on the virtual clock.
#include <QComboBox>
#include <QTimer>
#include <QToolButton>

#include "eeprom/ti2c.h"
#include "sim/sim_bench.h"
#include "ui/eeprom_side.h"
#include "ui/mem_grid.h"
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

} // namespace
} // namespace korvane::test

namespace korvane::test {
namespace {

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
    QTimer::singleShot(0, window.get(), [&] {
        seen_busy = window->busy();
        EXPECT_TRUE(window->btnAbort->isVisibleTo(window.get()));
        EXPECT_FALSE(window->btnBuffer[1]->isEnabled());
        EXPECT_TRUE(window->EEPromWin->ReadOnly());
        window->btnAbort->click();
    });
    window->btnProgramAll->click();
    EXPECT_TRUE(seen_busy);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].lines, (std::vector<std::string>{"EEProm 24C16", "Process Aborted"}));
    EXPECT_FALSE(window->busy());
    EXPECT_FALSE(window->btnAbort->isVisibleTo(window.get()));
    EXPECT_FALSE(window->EEPromWin->ReadOnly());
    EXPECT_TRUE(window->Items_List->isEnabled());
    for (QToolButton* b : window->btnBuffer) EXPECT_TRUE(b->isEnabled());
}

} // namespace
} // namespace korvane::test

namespace korvane::test {
namespace {

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

} // namespace
} // namespace korvane::test
