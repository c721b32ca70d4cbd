#include <gtest/gtest.h>

#include <vector>

#include "app/buffer_compare.h"

namespace korvane {
namespace {

std::vector<std::uint16_t> words(std::size_t n, std::uint16_t v = 0x3FFF) { return std::vector<std::uint16_t>(n, v); }

TEST(BufferComparison, WalksEveryDifferenceThenStaysPastTheEnd) {
    auto a = words(1024), b = words(1024);
    b[5] = 0x0FFF;   // only the high byte differs
    b[6] = 0x3FFE;
    b[1023] = 0;
    BufferComparison c(a.data(), b.data(), 1024);
    EXPECT_EQ(c.difference_count(), 3u);
    EXPECT_EQ(c.position(), 5u);
    EXPECT_TRUE(c.next());
    EXPECT_EQ(c.position(), 6u);
    EXPECT_TRUE(c.next());
    EXPECT_EQ(c.position(), 1023u);
    EXPECT_FALSE(c.next());
    EXPECT_TRUE(c.past_end());
    EXPECT_FALSE(c.next());   // every further press: the same answer
    EXPECT_TRUE(c.past_end());
}

TEST(BufferComparison, IdenticalImagesAndTheComparedLength) {
    auto a = words(2048), b = words(2048);
    b[1024] = 0;   // beyond a 16F84's 1024 words
    BufferComparison c(a.data(), b.data(), 1024);
    EXPECT_FALSE(c.found());
    EXPECT_EQ(c.position(), kNoDifference);
    EXPECT_FALSE(c.next());

    std::vector<std::uint8_t> x(128, 0xFF), y(128, 0xFF);
    y[127] = 0x00;
    BufferComparison e(x.data(), y.data(), 128, false);
    EXPECT_EQ(e.position(), 127u);
}

TEST(CompareRowText, PicRowOfBufferB) {
    auto b = words(1024);
    b[0x120] = 0x4142;   // "AB"
    b[0x121] = 0x7F80;   // DEL shows as itself, 0x80 as "."
    b[0x123] = 0x0FFF;
    const CompareLayout pic{CompareKind::PicWords, false};
    const std::string row = compare_row_text(pic, b.data(), nullptr, 0x123);
    EXPECT_EQ(row, "0120 4142 7F80 3FFF 0FFF 3FFF 3FFF 3FFF 3FFF  AB\x7f.?...?.?.?.?.");
    const RowTextParts parts = split_row_text(pic, row);
    EXPECT_EQ(parts.address, "0120");
    EXPECT_EQ(parts.line, row.substr(5));
}

TEST(CompareRowText, EEPromRowsAndTheSixDigitAddress) {
    std::vector<std::uint8_t> b(65536, 0xFF);
    b[0xFFF0] = 'K';
    b[0xFFF1] = 0x1F;
    const CompareLayout big{CompareKind::EEPromBytes, true};
    const std::string row = compare_row_text(big, nullptr, b.data(), 0xFFF7);
    EXPECT_EQ(row, "00FFF0 4B 1F FF FF FF FF FF FF FF FF FF FF FF FF FF FF  K...............");
    EXPECT_EQ(split_row_text(big, row).address, "00FFF0");
    EXPECT_EQ(split_row_text(big, row).line, row.substr(7));
    const CompareLayout small{CompareKind::EEPromBytes, false};
    EXPECT_EQ(split_row_text(small, compare_row_text(small, nullptr, b.data(), 0x10)).address, "0010");
}

TEST(CompareGrid, ScrollAndStripPlace) {
    const CompareLayout pic{CompareKind::PicWords, false};
    // Word 0x0123 is on row 36: the grid scrolls to row 28 and the strip sits on row 8.
    const GridPlace p = compare_grid_place(pic, 0x123);
    EXPECT_EQ(p.top_row, 28);
    EXPECT_EQ(p.visible_row, 8);
    EXPECT_EQ(compare_strip_top(pic, p.visible_row), 200);
    // Row 8 itself does not scroll yet.
    EXPECT_EQ(compare_grid_place(pic, 64).top_row, 0);
    EXPECT_EQ(compare_grid_place(pic, 64).visible_row, 8);
    EXPECT_EQ(compare_grid_place(pic, 72).top_row, 1);

    const CompareLayout ee{CompareKind::EEPromBytes, false};
    EXPECT_EQ(compare_grid_place(ee, 0x100).top_row, 0);
    EXPECT_EQ(compare_grid_place(ee, 0x100).visible_row, 16);
    EXPECT_EQ(compare_grid_place(ee, 0x1234).top_row, (0x1234 - 256) / 16);
    EXPECT_EQ(compare_strip_top(ee, 16), 77 + 13 * 16);
}

TEST(CompareGrid, StripGeometryByKind) {
    const StripGeometry pic = compare_strip_geometry({CompareKind::PicWords, false});
    const StripGeometry big = compare_strip_geometry({CompareKind::EEPromBytes, true});
    const StripGeometry ee = compare_strip_geometry({CompareKind::EEPromBytes, false});
    EXPECT_EQ((std::vector<int>{pic.font_size, pic.addr_left, pic.addr_width, pic.line_left, pic.line_width}),
              (std::vector<int>{10, 109, 46, 154, 470}));
    EXPECT_EQ((std::vector<int>{big.font_size, big.addr_width, big.line_left, big.line_width}),
              (std::vector<int>{8, 56, 164, 458}));
    EXPECT_EQ((std::vector<int>{ee.font_size, ee.addr_width, ee.line_left, ee.line_width}),
              (std::vector<int>{8, 42, 150, 466}));
}

TEST(ComparePairChoice, DialogOnlyWhenThePairIsNotObvious) {
    // Active 1 and only buffer 4 holding data: compared at once.
    ComparePair p = choose_compare_pair(1, {false, true, true, false, true});
    EXPECT_FALSE(p.needs_dialog);
    EXPECT_EQ(p.a, 1);
    EXPECT_EQ(p.b, 4);
    // Two candidates, an empty active buffer, or no other buffer: the dialog.
    EXPECT_TRUE(choose_compare_pair(1, {false, false, false, true, true}).needs_dialog);
    EXPECT_TRUE(choose_compare_pair(1, {true, false, true, true, true}).needs_dialog);
    EXPECT_TRUE(choose_compare_pair(3, {true, true, false, true, true}).needs_dialog);
}

TEST(CompareDialogModel, ButtonsStandForTheOtherBuffersInOrder) {
    // Active buffer 1, buffers 2 and 3 holding data.
    CompareDialogModel m(1, {false, false, false, true, true});
    EXPECT_EQ(m.buffer_of, (std::array<int, 5>{1, 2, 3, 4, 5}));
    EXPECT_EQ(m.enabled, (std::array<bool, 5>{true, true, true, false, false}));
    EXPECT_EQ(m.a, 1);
    EXPECT_EQ(m.b, 2);   // the first enabled one is preselected
    m.press(3);
    EXPECT_EQ(m.b, 3);
    m.press(4);          // disabled: nothing
    EXPECT_EQ(m.b, 3);
    EXPECT_TRUE(m.ok_compares());

    CompareDialogModel third(3, {false, true, false, true, false});
    EXPECT_EQ(third.buffer_of, (std::array<int, 5>{3, 1, 2, 4, 5}));
    EXPECT_EQ(third.b, 1);
    EXPECT_EQ(CompareDialogModel::caption_of(3), "Buffer3");
}

TEST(CompareDialogModel, OkWithoutTwoBuffersOfDataComparesNothing) {
    CompareDialogModel empty_active(2, {false, true, false, false, false});
    EXPECT_EQ(empty_active.a, 0);
    EXPECT_FALSE(empty_active.enabled[0]);
    empty_active.press(1);
    EXPECT_FALSE(empty_active.ok_compares());
    CompareDialogModel alone(1, {false, true, true, true, true});
    EXPECT_EQ(alone.b, 0);
    EXPECT_FALSE(alone.ok_compares());
}

} // namespace
} // namespace korvane
