#include <gtest/gtest.h>

#include "files/file_names.h"

using namespace korvane;

TEST(FileNames, DirectoryPart) {
    EXPECT_EQ(directory_part("C:\\work\\a.hex"), "C:\\work\\");
    EXPECT_EQ(directory_part("/home/u/a.hex"), "/home/u/");
    EXPECT_EQ(directory_part("a.hex"), "");
    EXPECT_EQ(directory_part("/a"), "/");
}

TEST(FileNames, LastDotAndFileType) {
    EXPECT_EQ(last_dot("a.b.hex"), 4u);
    EXPECT_EQ(last_dot("name"), 0u);
    EXPECT_EQ(file_type("image.Hex"), "HEX");
    EXPECT_EQ(file_type("image.hexfile"), "HEX");
    EXPECT_EQ(file_type("image.he"), "HE");
    EXPECT_EQ(file_type("image"), "");
    EXPECT_EQ(file_type("image."), "");
    EXPECT_EQ(file_type("/dir.hex/image"), "HEX");   // the last dot may lie in a directory name
}

TEST(DisplayName, ShortNamesUnchanged) {
    const std::string n35 = "C:\\abcdefghij\\abcdefghij\\abcdef.hex";
    ASSERT_EQ(n35.size(), 35u);
    EXPECT_EQ(display_name(n35), n35);
    EXPECT_EQ(display_name(""), "");
}

TEST(DisplayName, LeadingDirectoriesGiveWayToTheDriveAndDots) {
    EXPECT_EQ(display_name("C:\\Program Files\\Korvane\\Projects\\Firmware\\main.hex"),
              "C:\\..\\Korvane\\Projects\\Firmware\\main.hex");
    // 36 characters: the drive's separator goes first, which is enough.
    EXPECT_EQ(display_name("C:\\abcdefghij\\abcdefghij\\abcdefg.hex"), "C:\\..\\abcdefghij\\abcdefghij\\abcdefg.hex");
}

TEST(DisplayName, LongFileNamesAreCutAroundTheirLastDot) {
    EXPECT_EQ(display_name("C:\\data\\a_very_long_file_name_for_the_status_bar_panel.hex"),
              "C:\\..\\a_very_long_file_name_for_the_...hex");
    EXPECT_EQ(display_name("C:\\data\\a_very_long_file_name_without_any_dot_in_it_at_all"),
              "C:\\..\\a_very_long_file_name_without_any_d");
}

TEST(DisplayName, PosixNamesKeepTheRoot) {
    EXPECT_EQ(display_name("/home/user/projects/firmware/build/main.hex"), "/../projects/firmware/build/main.hex");
}
