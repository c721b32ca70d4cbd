#include <gtest/gtest.h>

#include "file_command_test.h"
#include "files/file_names.h"
#include "files/pic_files.h"
#include "files/pic_hex_writer.h"
#include "write_failure.h"

using namespace korvane;
using namespace korvane::test;

using PicFilesTest = FileCommandTest<PicImage, PicFileContext, blank_pic>;

TEST_F(PicFilesTest, OpenLoadsAHexFileAndRecordsIt) {
    const std::string name = path("prog.Hex");
    write_file(name, ":020000000528D1\r\n:02400E00F13F80\r\n:00000001FF\r\n");
    ASSERT_TRUE(open_pic_file(ctx(), name));
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(img->code[0], 0x2805);
    EXPECT_EQ(img->config[7], 0x3FF1);
    EXPECT_FALSE(img->empty);
    EXPECT_EQ(img->file_name, name);
    EXPECT_EQ(settings.last_pic_dir.str(), dir.str() + "/");
    EXPECT_EQ(settings.recent_pic_file_pos, 1);
    EXPECT_EQ(settings.recent_pic_files[0].str(), name);
    EXPECT_EQ(host.status[2], display_name(name));
}

TEST_F(PicFilesTest, WrongTypeIsRefusedWithTheDeviceCaption) {
    for (const char* name : {"image.he", "image", "image.txt"}) {
        host.boxes.clear();
        EXPECT_FALSE(open_pic_file(ctx(), path(name)));
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(box(0), (Lines{"PIC 16F84   ERROR!", "File Type Not Correct"}));
        EXPECT_EQ(host.boxes[0].kind, MsgKind::Error);
    }
    EXPECT_TRUE(img->empty);
    EXPECT_EQ(img->file_name, "");
    EXPECT_EQ(settings.recent_pic_file_pos, 0);
}

TEST_F(PicFilesTest, MissingFileKeepsTheNameAndDirectory) {
    use(k16F628);
    const std::string name = path("missing.hex");
    EXPECT_FALSE(open_pic_file(ctx(), name));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(box(0), (Lines{"PIC 16F628  ERROR!", "Invalid File Name"}));
    EXPECT_TRUE(img->empty);
    EXPECT_EQ(img->file_name, name);
    EXPECT_EQ(settings.last_pic_dir.str(), dir.str() + "/");
    EXPECT_EQ(settings.recent_pic_file_pos, 0);
}

TEST_F(PicFilesTest, BadChecksumKeepsTheRecordsBeforeIt) {
    const std::string name = path("bad.hex");
    write_file(name, ":020000000528D1\r\n:02000200633F5B\r\n:02000400633F58\r\n");
    EXPECT_FALSE(open_pic_file(ctx(), name));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(box(0)[1], "CheckSum Not Correct");
    EXPECT_EQ(at(img->code, {0, 1, 2}), (Values{0x2805, 0x3FFF, 0x3FFF}));
    EXPECT_FALSE(img->empty);
    EXPECT_EQ(settings.recent_pic_file_pos, 1);
}

TEST_F(PicFilesTest, RecentMenuLoadDoesNotAddToTheList) {
    const std::string name = path("a.hex");
    write_file(name, ":00000001FF\r\n");
    EXPECT_TRUE(load_pic_file_by_name(ctx(), name, false));
    EXPECT_EQ(settings.recent_pic_file_pos, 0);
    EXPECT_TRUE(load_pic_file_by_name(ctx(), name, true));
    EXPECT_TRUE(load_pic_file_by_name(ctx(), name, true));
    EXPECT_EQ(settings.recent_pic_file_pos, 1);
}

TEST_F(PicFilesTest, NamesTooLongForTheSettingsAreLoadedButNotListed) {
    const std::string name = long_path(".hex");
    write_file(name, ":020000000528D1\r\n");
    EXPECT_TRUE(open_pic_file(ctx(), name));
    EXPECT_EQ(img->code[0], 0x2805);
    EXPECT_EQ(img->file_name, name);
    EXPECT_EQ(settings.recent_pic_file_pos, 0);
}

TEST_F(PicFilesTest, SaveWritesTheImageText) {
    use(k18F452);
    img->code[0] = 0xEF04;
    img->code[16383] = 0x1234;
    img->config[1] = 0x0E0C;
    img->id[3] = 0x44;
    img->data[255] = 0x5A;
    const std::string name = path("out.hex");
    ASSERT_TRUE(save_pic_file(ctx(), name));
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(img->file_name, "");   // a save leaves the buffer's name and directory alone
    EXPECT_EQ(settings.last_pic_dir.str(), "");
    EXPECT_EQ(read_file(name), pic_hex_text(*img, k18F452));   // read back whole in the round-trip tests
}

TEST_F(PicFilesTest, FailedSavesAreReportedAndLeaveNoPartialFile) {
    const std::string name = path("no/such/dir/out.hex");
    EXPECT_FALSE(save_pic_file(ctx(), name));
    EXPECT_EQ(box(0), (Lines{"PIC 16F84   ERROR!", "Couldn't Write File", name}));
    EXPECT_FALSE(save_pic_file(ctx(), dir.str()));   // a directory
    EXPECT_EQ(host.boxes.size(), 2u);
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(save_pic_file(ctx(), "/dev/full"));
        EXPECT_EQ(host.boxes.size(), 3u);
        EXPECT_TRUE(std::filesystem::exists("/dev/full"));   // the device is not removed
    }
    use(k18F452);
    const std::string partial = path("partial.hex");
    {
        FileSizeLimit limit(1000);
        EXPECT_FALSE(save_pic_file(ctx(), partial));
    }
    EXPECT_EQ(host.boxes.back().lines, (Lines{"PIC 18F452  ERROR!", "Couldn't Write File", partial}));
    EXPECT_FALSE(std::filesystem::exists(partial));
}
