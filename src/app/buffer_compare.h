#pragma once
// Buffer comparison (module CompareFrm's logic): the difference flags of two images, the walk
// through the differences, the row text of the other buffer and where the grids scroll to. The
// window and `korvane-cli compare` share it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

// What is compared: PIC code areas (16-bit words, 8 a grid row) or EEPROM arrays (bytes, 16 a
// row; the 24C512 shows six-digit addresses).
enum class CompareKind { PicWords, EEPromBytes };

inline constexpr std::uint32_t kNoDifference = 0x10000;   // position before any difference

struct CompareLayout {
    CompareKind kind = CompareKind::PicWords;
    bool six_digit_address = false;   // the 24C512

    int row_length() const { return kind == CompareKind::PicWords ? 8 : 16; }
    // Rows shown above the strip before the grid starts to scroll.
    int rows_above_strip() const { return kind == CompareKind::PicWords ? 8 : 16; }
};

class BufferComparison {
public:
    // Compares elements 0 .. count-1; A is the active buffer, B the other one.
    BufferComparison(const std::uint16_t* a, const std::uint16_t* b, std::uint32_t count);
    BufferComparison(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t count,
                     bool six_digit_address);

    const CompareLayout& layout() const { return layout_; }
    std::uint32_t count() const { return count_; }
    bool differs(std::uint32_t index) const { return index < count_ && flags_[index]; }
    std::uint32_t difference_count() const { return differences_; }
    bool found() const { return differences_ > 0; }

    // The current difference; kNoDifference before the first, `count()` or more past the last.
    std::uint32_t position() const { return position_; }
    bool past_end() const { return position_ >= count_; }
    // Moves to the next flagged element; false (and past the end) when there is none.
    bool next();

    // Element value of buffer B (the strip shows B's row).
    std::uint32_t b_value(std::uint32_t index) const;
    std::uint32_t a_value(std::uint32_t index) const;

private:
    void flag_all();

    CompareLayout layout_;
    const std::uint16_t* aw_ = nullptr;
    const std::uint16_t* bw_ = nullptr;
    const std::uint8_t* ab_ = nullptr;
    const std::uint8_t* bb_ = nullptr;
    std::uint32_t count_ = 0;
    std::vector<bool> flags_;
    std::uint32_t differences_ = 0;
    std::uint32_t position_ = kNoDifference;
};

// The grid row of one buffer that holds `index`, as the strip shows it:
//   PIC    "0120 3FFF 3FFF ... 3FFF  ?.?.?." (address, 8 words, two blanks, 16 characters)
//   EEPROM "0120 FF FF ... FF  ................" ("00FFF0 ..." for the 24C512)
// Bytes 32..127 show as themselves, others as ".".
std::string compare_row_text(const CompareLayout& layout, const std::uint16_t* words,
                             const std::uint8_t* bytes, std::uint32_t index);
// The text split between `CompareAddr` (the address) and `CompareLine` (the rest, from the
// character after the blank).
struct RowTextParts {
    std::string address;
    std::string line;
};
RowTextParts split_row_text(const CompareLayout& layout, const std::string& row_text);
RowTextParts comparison_row_parts(const BufferComparison& c, const std::uint16_t* b_words,
                                  const std::uint8_t* b_bytes);

// Where the grid scrolls for a position: its top row and the row of the difference on screen.
struct GridPlace {
    int top_row = 0;
    int visible_row = 0;
};
GridPlace compare_grid_place(const CompareLayout& layout, std::uint32_t position);
// The strip's top in the window's pixels for the original grid metrics (15-pixel code rows from
// 80, 13-pixel EEPROM rows from 77).
int compare_strip_top(const CompareLayout& layout, int visible_row);

// Font size, left and width of `CompareAddr` and `CompareLine`.
struct StripGeometry {
    int font_size;
    int addr_left, addr_width;
    int line_left, line_width;
};
StripGeometry compare_strip_geometry(const CompareLayout& layout);

// The choice of buffers: A is the active buffer when it holds data; B the last other buffer that
// holds data. The dialog is needed unless A is set and exactly one other buffer holds data.
struct ComparePair {
    int a = 0, b = 0;        // buffer numbers 1..5, 0 = none
    bool needs_dialog = true;
};
// empty[n-1] is the empty flag of buffer n.
ComparePair choose_compare_pair(int active, const std::array<bool, 5>& empty);

// The compare dialog's buttons: CmpBuff1 for the active buffer, CmpBuff2..5 for the other four
// in increasing number; a button is enabled when its buffer holds data; the first enabled
// right-hand button starts pressed.
struct CompareDialogModel {
    CompareDialogModel(int active, const std::array<bool, 5>& empty);
    int active;
    std::array<int, 5> buffer_of{};        // buffer of CmpBuff1..5
    std::array<bool, 5> enabled{};
    int a = 0, b = 0;
    std::array<bool, 5> empty_flags{};
    void press(int button);                // 1..5
    // OK runs the comparison only when both buffers are set and hold data.
    bool ok_compares() const;
    static std::string caption_of(int buffer) { return "Buffer" + std::to_string(buffer); }
};

inline constexpr const char* kCompareCaption = " Compare Buffers";
inline constexpr const char* kNoDifferencesFound = "No differencies found!";
inline constexpr const char* kNoMoreDifferences = "No more differencies present!";

} // namespace korvane
