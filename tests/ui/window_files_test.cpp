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
