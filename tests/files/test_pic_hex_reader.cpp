#include <gtest/gtest.h>

#include <sstream>

#include "files/pic_hex_reader.h"
#include "images.h"

using namespace korvane;
using namespace korvane::test;

namespace {

struct Blank {
    explicit Blank(int device) : img(blank_pic(device)), device(device) {}
    std::uint32_t parse(const std::string& line, std::uint32_t upper = 0, bool loader = false) {
        return parse_pic_record(line, upper, *img, device, loader);
    }
    // Nothing stored: the image still equals a blank one.
    bool untouched() const {
        const auto b = blank_pic(device);
        return img->code == b->code && img->data == b->data && img->config == b->config && img->id == b->id;
    }
    std::unique_ptr<PicImage> img;
    int device;
};

} // namespace

TEST(PicRecord, SixteenFCodeWordsAreLittleEndianPairs) {
    Blank b(k16F84);
    b.parse(":100000000528FF3FFF3FFF3FFF3FFF3FFF3FFF3F11");
    EXPECT_EQ(at(b.img->code, {0, 1}), (Values{0x2805, 0x3FFF}));
    b.parse(":0400100005280000");   // byte address 0x10 = word 8; an odd last byte is ignored
    EXPECT_EQ(at(b.img->code, {8, 9}), (Values{0x2805, 0x0000}));
    b.parse(":03001400AABBCC");
    EXPECT_EQ(at(b.img->code, {10, 11}), (Values{0xBBAA, 0x3FFF}));
}

TEST(PicRecord, SixteenFConfigurationWindows) {
    Blank b(k16F84);
    b.parse(":02400E00F13F80");
    EXPECT_EQ(b.img->config[7], 0x3FF1);
    // Sixteen bytes at 0x4000 fill words 0..7, the configuration word included.
    b.parse(":10400000010002000300040005000600070008002A");
    for (int k = 0; k < 8; ++k) EXPECT_EQ(b.img->config[std::size_t(k)], k + 1);
    // At 0x400E only the first word counts.
    b.parse(":04400E00AA0BBB0C00");
    EXPECT_EQ(b.img->config[7], 0x0BAA);
    // Without a whole word there is nothing to store: the checksum digits are not taken as data.
    b.parse(":00400E00B2");
    b.parse(":01400E00AA07");
    EXPECT_EQ(at(b.img->config, {7, 0}), (Values{0x0BAA, 1}));
    // 0x4008 starts at word 4 and stops at the area's end.
    b.parse(":0C4008001100120013001400150016006D");
    EXPECT_EQ(at(b.img->config, {4, 7}), (Values{0x11, 0x14}));
}

TEST(PicRecord, SixteenFDataEEPromOneBytePerFileWord) {
    Blank b(k16F877);
    b.parse(":0442000011002200");
    EXPECT_EQ(at(b.img->data, {0, 1, 2}), (Values{0x11, 0x22, 0xFF}));
    // 0x4400 is still in the window (byte 256, the area's spare last byte); beyond it nothing.
    b.parse(":0444000077008800");
    EXPECT_EQ(b.img->data[256], 0x77);
    Blank c(k16F877);
    c.parse(":0244020099000000");
    EXPECT_TRUE(c.untouched());
}

TEST(PicRecord, AddressesOutsideEveryWindowStoreNothing) {
    for (const char* line : {":02401000AAAA", ":0241000011112222", ":0244020099000000", ":0280000011220000"}) {
        Blank b(k16F84);
        b.parse(line);
        EXPECT_TRUE(b.untouched()) << line;
    }
    // For an 18F device 0x8000 is past program memory and 0x4000 is code.
    Blank e(k18F452);
    e.parse(":0280000011220000");
    EXPECT_TRUE(e.untouched());
    e.parse(":024000001122");
    EXPECT_EQ(e.img->code[0x2000], 0x2211);
}

TEST(PicRecord, ExtendedLinearAddressIsCarriedToLaterRecords) {
    Blank b(k18F452);
    EXPECT_EQ(b.parse(":020000040030CA"), 0x300000u);
    EXPECT_EQ(b.parse(":020000040030CA", 0x123456), 0x300000u);
    // The upper address is returned unchanged by data records.
    EXPECT_EQ(b.parse(":0E000000FF220C0EFF0181FF0FC00FE00F402A", 0x300000), 0x300000u);
    EXPECT_EQ(at(b.img->config, {0, 6}), (Values{0x22FF, 0x400F}));
}

TEST(PicRecord, EighteenFBytesGoToTheirOwnByteAddress) {
    Blank b(k18F452);
    // gpasm writes CONFIG1H..2H as one record at the odd address 0x300001.
    b.parse(":03000100220C0EC0", 0x300000);
    // CONFIG1L, the low byte of word 0, stays blank.
    EXPECT_EQ(at(b.img->config, {0, 1, 2}), (Values{0x22FF, 0x0E0C, 0xFFFF}));
    b.parse(":01000500017D", 0x300000);
    EXPECT_EQ(b.img->config[2], 0x01FF);
    // Code: an odd start and an odd count.
    b.parse(":0300110012345600");
    EXPECT_EQ(at(b.img->code, {8, 9}), (Values{0x12FF, 0x5634}));
    // An even start and even count give whole words, as always.
    b.parse(":0400000004EF00F019");
    EXPECT_EQ(at(b.img->code, {0, 1}), (Values{0xEF04, 0xF000}));
}

TEST(PicRecord, EighteenFCodeUpTo7FFFAndNotPastTheArea) {
    Blank b(k18F452);
    b.parse(":047FFC0004EF00F09E");
    EXPECT_EQ(at(b.img->code, {16382, 16383}), (Values{0xEF04, 0xF000}));
    // A long record near the end of the window: what passes 0x7FFF is dropped.
    std::string line = ":207FFE00";
    for (int i = 0; i < 32; ++i) line += "AB";
    Blank c(k18F452);
    c.parse(line);
    EXPECT_EQ(c.img->code[16383], 0xABAB);
    EXPECT_EQ(c.img->data[0], 0xFF);
}

TEST(PicRecord, IdBytesAndDataEEPromOfBothFamilies) {
    Blank b(k18F242);
    b.parse(":080000000102030405060708D4", 0x200000);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(b.img->id[std::size_t(k)], k + 1);
    b.parse(":04000600AABBCCDD", 0x200000);   // 0x200006: two bytes fit, two are dropped
    EXPECT_EQ(at(b.img->id, {6, 7}), (Values{0xAA, 0xBB}));
    b.parse(":0400000020003100AB", 0xF00000);
    EXPECT_EQ(at(b.img->data, {0, 1}), (Values{0x20, 0x31}));
    b.parse(":02020000EE00", 0xF00000);   // 0xF00200 is the window's last address: byte 256
    EXPECT_EQ(b.img->data[256], 0xEE);
    // The 18F windows apply to a 16F buffer too.
    Blank s(k16F84);
    s.parse(":0400000020003100AB", 0xF00000);
    EXPECT_EQ(s.img->data[1], 0x31);
}

TEST(PicRecord, LoaderModeReplacesTheConfigurationWordPerDevice) {
    const std::pair<int, std::uint16_t> cases[] = {{0, 0x3FF1}, {1, 0x3F29}, {2, 0x3D39}, {3, 0x3D39}};
    for (auto [device, word] : cases) {
        Blank b(device);
        b.parse(":02400E00003FB1", 0, true);
        EXPECT_EQ(b.img->config[7], word) << device;
        Blank n(device);
        n.parse(":02400E00003FB1", 0, false);
        EXPECT_EQ(n.img->config[7], 0x3F00);
    }
    std::uint16_t w = 0;
    EXPECT_FALSE(loader_config_word(k18F452, w));
    // Only the word at 0x400E is replaced, not the same word reached from 0x4000.
    Blank b(k16F628);
    b.parse(":10400000010002000300040005000600070008002A", 0, true);
    EXPECT_EQ(b.img->config[7], 8);
}

// A bad checksum stops the reading: see PicFilesTest.BadChecksumKeepsTheRecordsBeforeIt.
TEST(PicHexRead, RecordsAfterTheEndRecordAreStillRead) {
    Blank b(k16F84);
    std::istringstream good(":020000000528D1\r\n:00000001FF\r\n:02000200633F5A\r\n");
    EXPECT_EQ(read_pic_hex(good, *b.img, k16F84), HexReadResult::Ok);
    EXPECT_EQ(at(b.img->code, {0, 1}), (Values{0x2805, 0x3F63}));
}

TEST(PicHexRead, LfOnlyLowerCaseAndEmptyLinesReadCompletely) {
    Blank b(k18F452);
    std::istringstream in(":020000040000FA\n:0400000004EF00F019\n:020000040030CA\n:03000100220C0EC0\n:00000001FF\n");
    EXPECT_EQ(read_pic_hex(in, *b.img, k18F452), HexReadResult::Ok);
    EXPECT_EQ(b.img->code[0], 0xEF04);
    EXPECT_EQ(b.img->config[1], 0x0E0C);

    Blank c(k16F84);
    std::istringstream lower("\r\n:02400e00f13f80\r\n\r\n");
    EXPECT_EQ(read_pic_hex(lower, *c.img, k16F84), HexReadResult::Ok);
    EXPECT_EQ(c.img->config[7], 0x3FF1);
}

TEST(PicHexRead, FilesThatCannotBeOpenedAndLoaderImageFromMemory) {
    Blank b(k16F877);
    EXPECT_EQ(read_pic_hex_file("/nonexistent/dir/x.hex", *b.img, k16F877), HexReadResult::CannotOpen);
    EXPECT_EQ(read_pic_hex_file("/", *b.img, k16F877), HexReadResult::CannotOpen);
    EXPECT_EQ(read_pic_hex_text(":020000000528D1\r\n:02400E00F13F80\r\n", *b.img, k16F877, true), HexReadResult::Ok);
    EXPECT_EQ(b.img->code[0], 0x2805);
    EXPECT_EQ(b.img->config[7], 0x3D39);
}
