#include <gtest/gtest.h>

#include "files/file_names.h"

using namespace korvane;

TEST(FileNames, DirectoryPartLastDotAndFileType) {
    EXPECT_EQ(directory_part("C:\\work\\a.hex"), "C:\\work\\");
    EXPECT_EQ(directory_part("/home/u/a.hex"), "/home/u/");
    EXPECT_EQ(directory_part("a.hex"), "");
    EXPECT_EQ(directory_part("/a"), "/");
    EXPECT_EQ(last_dot("a.b.hex"), 4u);
    EXPECT_EQ(last_dot("name"), 0u);
    EXPECT_EQ(file_type("image.Hex"), "HEX");
    EXPECT_EQ(file_type("image.hexfile"), "HEX");
    EXPECT_EQ(file_type("image.he"), "HE");
    EXPECT_EQ(file_type("image"), "");
    EXPECT_EQ(file_type("image."), "");
    EXPECT_EQ(file_type("/dir.hex/image"), "HEX");   // the last dot may lie in a directory name
}

TEST(DisplayName, ShortenedForTheStatusBar) {
    const std::pair<std::string, std::string> cases[] = {
        // 35 characters and less: unchanged.
        {"C:\\abcdefghij\\abcdefghij\\abcdef.hex", "C:\\abcdefghij\\abcdefghij\\abcdef.hex"},
        {"", ""},
        // Leading directories give way to the drive and dots; at 36 characters the drive's separator
        // going first is enough.
        {"C:\\Program Files\\Korvane\\Projects\\Firmware\\main.hex", "C:\\..\\Korvane\\Projects\\Firmware\\main.hex"},
        {"C:\\abcdefghij\\abcdefghij\\abcdefg.hex", "C:\\..\\abcdefghij\\abcdefghij\\abcdefg.hex"},
        // Long file names are cut around their last dot.
        {"C:\\data\\a_very_long_file_name_for_the_status_bar_panel.hex", "C:\\..\\a_very_long_file_name_for_the_...hex"},
        {"C:\\data\\a_very_long_file_name_without_any_dot_in_it_at_all", "C:\\..\\a_very_long_file_name_without_any_d"},
        // POSIX names keep the root.
        {"/home/user/projects/firmware/build/main.hex", "/../projects/firmware/build/main.hex"},
    };
    ASSERT_EQ(cases[0].first.size(), 35u);
    for (const auto& [name, shown] : cases) EXPECT_EQ(display_name(name), shown) << name;
}
