#include <QMenu>
#include <QToolButton>

#include "app/recent_lists.h"
#include "files/file_names.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

using FilesTest = WindowTest;

std::vector<std::string> recent_paths(const SettingsRecord& s, bool eeprom) {
    std::vector<std::string> paths;
    for (const RecentFileItem& it : recent_file_items(s))
        if (it.eeprom == eeprom) paths.push_back(it.path);
    return paths;
}

TEST_F(FilesTest, EEPromDialogsOfferBothFormatsAndTheSaveShowsTheName) {
    window->btnEEPromProgramming->click();
    TempDir dir;
    const std::string file = (dir.path() / "image.bin").string();
    next_file = QString::fromStdString(file);
    window->SaveFileAs->trigger();
    window->OpenFile->trigger();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].title, "Save Hex File");
    EXPECT_EQ(dialogs[0].default_suffix, "hex");
    EXPECT_EQ(dialogs[1].title, "Load EEProm File");
    for (const auto& d : dialogs)
        EXPECT_EQ(d.filter, "Binary Files (*.bin *.BIN);;IHX8 Files (*.hex *.HEX)");
    EXPECT_EQ(read_file(dir.path() / "image.bin").size(), 2048u);   // 24C16
    EXPECT_EQ(window->status_text(2).toStdString(), display_name(file));
    EXPECT_EQ(recent_paths(settings, true), std::vector<std::string>{file});
    EXPECT_TRUE(window->RecentList[10]->isVisible());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FilesTest, NamesLongerThanTheRecordHoldsStayOutOfTheRecentLists) {
    // A name cut to 128 characters would point at another file.
    TempDir dir;
    const auto deep = dir.path() / std::string(130, 'd');
    std::filesystem::create_directories(deep);
    const std::string hex = (deep / "image.hex").string();
    const std::string bin = (deep / "image.bin").string();
    write_file(hex, ":00000001FF\r\n");
    write_file(bin, std::string(16, '\x55'));

    next_file = QString::fromStdString(hex);
    window->OpenFile->trigger();
    EXPECT_FALSE((*window->pic_buffers())[1].empty);
    EXPECT_TRUE(recent_paths(settings, false).empty());

    window->btnEEPromProgramming->click();
    next_file = QString::fromStdString(bin);
    window->OpenFile->trigger();
    EXPECT_EQ((*window->eeprom_buffers())[1].bytes[15], 0x55);
    EXPECT_TRUE(recent_paths(settings, true).empty());
    for (QAction* a : window->RecentList) EXPECT_FALSE(a->isVisible());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FilesTest, RecentFileWithAnAmpersandShowsAndOpensItsPath) {
    TempDir dir;
    const std::string file = (dir.path() / "a&b.hex").string();
    write_file(file, ":020000000528D1\r\n:00000001FF\r\n");
    next_file = QString::fromStdString(file);
    window->OpenFile->trigger();
    ASSERT_TRUE(window->RecentList[0]->isVisible());
    EXPECT_EQ(window->RecentList[0]->text(), QString::fromStdString(file).replace('&', "&&"));

    window->btnBuffer[1]->click();
    window->RecentList[0]->trigger();
    EXPECT_EQ((*window->pic_buffers())[2].code[0], 0x2805);
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace korvane::test
