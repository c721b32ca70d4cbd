#include <gtest/gtest.h>

#include <algorithm>

#include "app/settings.h"
#include "disasm/assembler_view.h"
#include "disasm/listing_file.h"
#include "disasm_fixture.h"
#include "common/test_env.h"
#include "common/recording_host.h"
#include "../files/write_failure.h"

namespace korvane {
namespace {

using test::RecordingHost;

TEST(ListingFile, SavedWithCrLfAfterEveryLine) {
    test::TempDir dir;
    const auto file = dir.path() / "out.asm";
    test::write_file(file, "old contents that are longer than the new ones");
    ASSERT_TRUE(save_listing(file, {"; a", "", " ", "    END"}));
    EXPECT_EQ(test::read_file(file), "; a\r\n\r\n \r\n    END\r\n");
}

TEST(ListingFile, FailedWritesAreReportedAndLeaveNoFile) {
    test::TempDir dir;
    EXPECT_FALSE(save_listing(dir.path() / "missing" / "out.asm", {"x"}));
    EXPECT_FALSE(save_listing(dir.path(), {"x"}));
    const auto file = dir.path() / "out.asm";
    const std::vector<std::string> lines(200, std::string(60, 'x'));
    {
        test::FileSizeLimit limit(1000);
        EXPECT_FALSE(save_listing(file, lines));
    }
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(ListingFile, DialogTakesTheLastPicDirectory) {
    SettingsRecord rec{};
    apply_settings_defaults(rec, "/opt/korvane/");
    rec.last_pic_dir.assign("/home/u/pic/");
    const auto d = listing_save_dialog(rec);
    EXPECT_EQ(d.title, "Save Hex File");
    EXPECT_EQ(d.initial_dir, "/home/u/pic/");
    EXPECT_EQ(d.filter, "Asm Files   |*.ASM");
    EXPECT_EQ(d.filter_pattern, "*.ASM");
    EXPECT_EQ(d.default_suffix, "asm");
}

TEST(ListingFile, NameWithoutExtensionGetsAsm) {
    EXPECT_EQ(listing_file_name("/home/u/test"), "/home/u/test.asm");
    EXPECT_EQ(listing_file_name("/home/u/test.lst"), "/home/u/test.lst");
    EXPECT_EQ(listing_file_name("/home/u.d/test"), "/home/u.d/test.asm");
    EXPECT_EQ(listing_file_name(""), "");
}

TEST(AssemblerView, EighteenFDevicesAreRefused) {
    RecordingHost host;
    auto image = test::blank_pic(10);
    SettingsRecord rec{};
    EXPECT_FALSE(assembler_view_listing(host, *image, 10, rec).has_value());
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].lines, (std::vector<std::string>{"Warning", " Not Available For 16 Bits PIC !"}));
    EXPECT_EQ(host.boxes[0].kind, MsgKind::Information);
    EXPECT_EQ(host.boxes[0].buttons, std::vector<int>{mbOK});
}

TEST(AssemblerView, SixteenFListingFollowsTheSettings) {
    RecordingHost host;
    auto image = test::blank_pic(0);
    image->code[0] = 0x3055;
    SettingsRecord rec{};
    apply_settings_defaults(rec, "/tmp/");
    rec.radix = 0;
    rec.show_off = 0;
    rec.dis_fuses = 1;
    const auto lines = assembler_view_listing(host, *image, 0, rec);
    ASSERT_TRUE(lines.has_value());
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ((*lines)[7], test::blanks(8) + "3055" + test::blanks(16) + "MOVLW     D'85");
    EXPECT_NE(std::find(lines->begin(), lines->end(), test::blanks(28) + "DATA      D'16376"), lines->end());
}

} // namespace
} // namespace korvane
