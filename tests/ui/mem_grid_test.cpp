#include <QScrollBar>
#include <QTest>
#include <array>
#include <gtest/gtest.h>

#include "ui/mem_grid.h"

namespace korvane::test {
namespace {

struct WordGrid {
    WordGrid() {
        grid.resize(538, 259);
        grid.setTypeOfBuffer(TBufferType::btWord);
        grid.setNumCols(16);
        grid.setOrgStep(TOrgStep::ItemsxRow);
        grid.setByteSize(2048);
        words.fill(0x3FFF);
        grid.set_data(words.data());
    }
    TMemGrid grid;
    std::array<std::uint16_t, 1024> words{};
};

// Row, column and nibble of the cursor.
std::array<int, 3> cursor(const TMemGrid& g) { return {g.cursor_row(), g.cursor_col(), g.cursor_nibble()}; }
using Cursor = std::array<int, 3>;

TEST(MemGrid, NumColsIsEvenAndAtMostSixteen) {
    TMemGrid g;
    g.setNumCols(15);
    EXPECT_EQ(g.NumCols(), 14);
    g.setNumCols(40);
    EXPECT_EQ(g.NumCols(), 16);
    g.setNumCols(0);   // never zero: rows are counted by it
    EXPECT_EQ(g.NumCols(), 2);
}

TEST(MemGrid, Typing2805StoresMarksAndMovesToNextWord) {
    WordGrid w;
    int changes = 0;
    w.grid.OnChange = [&](TMemGrid* g) {
        ++changes;
        g->set_changed(g->ItemChanged(), true);
    };
    w.grid.set_cursor(0, 0, 0, false);
    QTest::keyClicks(&w.grid, "2805");
    EXPECT_EQ(w.words[0], 0x2805);
    EXPECT_EQ(w.words[1], 0x3FFF);
    EXPECT_EQ(changes, 4);
    EXPECT_TRUE(w.grid.changed(0));
    EXPECT_FALSE(w.grid.changed(1));
    EXPECT_EQ(cursor(w.grid), (Cursor{0, 1, 0}));
    // Lower-case letters give the same nibble; keypad digits are not accepted.
    QTest::keyClick(&w.grid, Qt::Key_A);
    EXPECT_EQ(w.words[1], 0xAFFF);
    QTest::keyClick(&w.grid, Qt::Key_1, Qt::KeypadModifier);
    EXPECT_EQ(w.words[1], 0xAFFF);
    EXPECT_EQ(w.grid.ItemChanged(), -1);
}

TEST(MemGrid, AsciiColumnOfWordsSetsHighOrLowByte) {
    WordGrid w;
    w.words[0] = 0x4142;
    w.grid.set_cursor(0, 1, 0, true);   // odd ASCII column: the low byte
    QTest::keyClick(&w.grid, Qt::Key_A);
    EXPECT_EQ(w.words[0], 0x4141);
    w.grid.set_cursor(0, 0, 0, true);
    QTest::keyClick(&w.grid, Qt::Key_Z);
    EXPECT_EQ(w.words[0], 0x5A41);
    EXPECT_EQ(w.grid.ItemChanged(), 0);
}

TEST(MemGrid, ReadOnlyIgnoresEveryKey) {
    WordGrid w;
    w.grid.setReadOnly(true);
    w.grid.set_cursor(0, 0, 0, false);
    QTest::keyClicks(&w.grid, "12");
    QTest::keyClick(&w.grid, Qt::Key_Right);
    QTest::keyClick(&w.grid, Qt::Key_Down);
    EXPECT_EQ(w.words[0], 0x3FFF);
    EXPECT_EQ(cursor(w.grid), (Cursor{0, 0, 0}));
}

TEST(MemGrid, RightWrapsToNextRowAndLeftBack) {
    WordGrid w;
    w.grid.set_cursor(0, 7, 3, false);
    QTest::keyClick(&w.grid, Qt::Key_Right);
    EXPECT_EQ(cursor(w.grid), (Cursor{1, 0, 0}));
    QTest::keyClick(&w.grid, Qt::Key_Left);
    EXPECT_EQ(cursor(w.grid), (Cursor{0, 7, 3}));
    // Typing on the last nibble of the last visible row scrolls one row down.
    const int last = w.grid.visible_rows() - 1;
    w.grid.set_cursor(last, 7, 3, false);
    QTest::keyClick(&w.grid, Qt::Key_0);
    EXPECT_EQ(w.grid.TopRow(), 1);
    EXPECT_EQ(w.grid.cursor_row(), last);
    EXPECT_EQ(w.words[std::size_t(last * 8 + 7)], 0x3FF0);
}

TEST(MemGrid, EndAndHomeAndPaging) {
    WordGrid w;
    QTest::keyClick(&w.grid, Qt::Key_End);
    EXPECT_GT(w.grid.TopRow(), 0);
    EXPECT_EQ(cursor(w.grid), (Cursor{w.grid.rows() - 1 - w.grid.TopRow(), 7, 3}));
    QTest::keyClick(&w.grid, Qt::Key_Home);
    EXPECT_EQ(w.grid.TopRow(), 0);
    EXPECT_EQ(w.grid.cursor_col(), 0);
    QTest::keyClick(&w.grid, Qt::Key_PageDown);
    EXPECT_EQ(w.grid.TopRow(), w.grid.visible_rows());
    EXPECT_EQ(w.grid.verticalScrollBar()->value(), w.grid.TopRow());
}

TEST(MemGrid, DownStopsAtTheLastRow) {
    TMemGrid g;
    g.resize(538, 400);
    std::array<std::uint8_t, 64> bytes{};
    g.setNumCols(8);
    g.setByteSize(16);   // two rows
    g.set_data(bytes.data());
    QTest::keyClick(&g, Qt::Key_Down);
    QTest::keyClick(&g, Qt::Key_Down);
    EXPECT_EQ(g.cursor_row(), 1);
}

TEST(MemGrid, MarksPackAndUnpack) {
    WordGrid w;
    w.grid.set_changed(0, true);
    w.grid.set_changed(9, true);
    w.grid.set_changed(5000, true);   // outside: ignored
    const std::string packed = w.grid.pack_changed();
    ASSERT_EQ(packed.size(), 128u);
    EXPECT_EQ(std::uint8_t(packed[0]), 0x80);
    EXPECT_EQ(std::uint8_t(packed[1]), 0x40);
    w.grid.clear_changed();
    EXPECT_FALSE(w.grid.changed(0));
    w.grid.set_changed(3, true);
    w.grid.unpack_changed(packed);   // adds marks, keeps the others
    EXPECT_TRUE(w.grid.changed(0) && w.grid.changed(9) && w.grid.changed(3));
    // A longer text than the grid holds is cut to the grid.
    w.grid.unpack_changed(std::string(1000, '\xFF'));
    EXPECT_TRUE(w.grid.changed(1023));
}

TEST(MemGrid, ClickPicksElementAndNibble) {
    WordGrid w;
    const int y = w.grid.row_height() * 2 + 2;   // screen row 1
    const int x = w.grid.hex_cell_x(2) + w.grid.char_width() / 2 + w.grid.char_width() * 2 + 1;
    QTest::mouseClick(w.grid.viewport(), Qt::LeftButton, {}, QPoint(x, y));
    EXPECT_EQ(cursor(w.grid), (Cursor{1, 2, 2}));
    EXPECT_FALSE(w.grid.cursor_in_ascii());
    QTest::mouseClick(w.grid.viewport(), Qt::LeftButton, {}, QPoint(w.grid.ascii_x(5) + 1, y));
    EXPECT_TRUE(w.grid.cursor_in_ascii());
    EXPECT_EQ(w.grid.cursor_col(), 5);
}

TEST(MemGrid, SizeResetsMarksAndLargeGridsUseSixDigitAddresses) {
    TMemGrid g;
    g.setByteSize(65536);
    EXPECT_EQ(g.element_count(), 65536);
    EXPECT_EQ(g.rows(), 4096);
    g.set_changed(7, true);
    g.setByteSize(128);
    EXPECT_FALSE(g.changed(7));
    EXPECT_EQ(g.element(500), 0u);   // no memory and outside: zero
}

} // namespace
} // namespace korvane::test
