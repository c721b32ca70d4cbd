#include "app/buffer_compare.h"

#include <cstdio>

namespace korvane {

namespace {

std::string hex(std::uint32_t v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, unsigned(v));
    return buf;
}

char shown_char(std::uint8_t byte) { return byte >= 32 && byte <= 127 ? char(byte) : '.'; }

} // namespace

BufferComparison::BufferComparison(const std::uint16_t* a, const std::uint16_t* b, std::uint32_t count)
    : layout_{CompareKind::PicWords, false}, aw_(a), bw_(b), count_(count) {
    flag_all();
}

BufferComparison::BufferComparison(const std::uint8_t* a, const std::uint8_t* b, std::uint32_t count,
                                   bool six_digit_address)
    : layout_{CompareKind::EEPromBytes, six_digit_address}, ab_(a), bb_(b), count_(count) {
    flag_all();
}

std::uint32_t BufferComparison::a_value(std::uint32_t i) const {
    if (i >= count_) return 0;
    return aw_ ? aw_[i] : ab_[i];
}

std::uint32_t BufferComparison::b_value(std::uint32_t i) const {
    if (i >= count_) return 0;
    return bw_ ? bw_[i] : bb_[i];
}

void BufferComparison::flag_all() {
    flags_.assign(count_, false);
    position_ = kNoDifference;
    for (std::uint32_t i = 0; i < count_; ++i) {
        if (a_value(i) == b_value(i)) continue;   // all 16 bits count
        flags_[i] = true;
        ++differences_;
        if (position_ == kNoDifference) position_ = i;
    }
}

bool BufferComparison::next() {
    // Past the end the position stays there, so every further press says the same.
    if (position_ == kNoDifference || position_ >= count_) return false;
    std::uint32_t p = position_ + 1;
    while (p < count_ && !flags_[p]) ++p;
    position_ = p;
    return p < count_;
}

std::string compare_row_text(const CompareLayout& layout, const std::uint16_t* words,
                             const std::uint8_t* bytes, std::uint32_t index) {
    const std::uint32_t len = std::uint32_t(layout.row_length());
    const std::uint32_t start = index / len * len;
    std::string text;
    std::string chars;
    if (layout.kind == CompareKind::PicWords) {
        text = hex(start, 4);
        for (std::uint32_t i = start; i < start + len; ++i) {
            const std::uint16_t w = words[i];
            text += " " + hex(w, 4);
            chars += shown_char(std::uint8_t(w >> 8));
            chars += shown_char(std::uint8_t(w & 0xFF));
        }
    } else {
        text = (layout.six_digit_address ? "00" : "") + hex(start, 4);
        for (std::uint32_t i = start; i < start + len; ++i) {
            text += " " + hex(bytes[i], 2);
            chars += shown_char(bytes[i]);
        }
    }
    return text + "  " + chars;
}

RowTextParts split_row_text(const CompareLayout& layout, const std::string& row_text) {
    const std::size_t digits = layout.six_digit_address ? 6 : 4;
    RowTextParts parts;
    parts.address = row_text.substr(0, digits);
    parts.line = row_text.size() > digits + 1 ? row_text.substr(digits + 1) : std::string();
    return parts;
}

RowTextParts comparison_row_parts(const BufferComparison& c, const std::uint16_t* b_words,
                                  const std::uint8_t* b_bytes) {
    return split_row_text(c.layout(), compare_row_text(c.layout(), b_words, b_bytes, c.position()));
}

GridPlace compare_grid_place(const CompareLayout& layout, std::uint32_t position) {
    const int len = layout.row_length();
    const int above = layout.rows_above_strip();
    const int row = int(position) / len;
    if (row > above) return {(int(position) - above * len) / len, above};
    return {0, row};
}

int compare_strip_top(const CompareLayout& layout, int visible_row) {
    return layout.kind == CompareKind::PicWords ? 80 + 15 * visible_row : 77 + 13 * visible_row;
}

StripGeometry compare_strip_geometry(const CompareLayout& layout) {
    if (layout.kind == CompareKind::PicWords) return {10, 109, 46, 154, 470};
    if (layout.six_digit_address) return {8, 109, 56, 164, 458};
    return {8, 109, 42, 150, 466};
}

ComparePair choose_compare_pair(int active, const std::array<bool, 5>& empty) {
    ComparePair pair;
    if (active < 1 || active > 5) return pair;
    if (!empty[std::size_t(active - 1)]) pair.a = active;
    int others = 0;
    for (int n = 1; n <= 5; ++n) {
        if (n == active || empty[std::size_t(n - 1)]) continue;
        ++others;
        pair.b = n;
    }
    pair.needs_dialog = !(pair.a != 0 && others == 1);
    return pair;
}

CompareDialogModel::CompareDialogModel(int active_buffer, const std::array<bool, 5>& empty)
    : active(active_buffer), empty_flags(empty) {
    const auto holds_data = [&](int n) { return n >= 1 && n <= 5 && !empty[std::size_t(n - 1)]; };
    buffer_of[0] = active;
    if (holds_data(active)) {
        enabled[0] = true;
        a = active;
    }
    std::size_t button = 1;
    for (int n = 1; n <= 5 && button < 5; ++n) {
        if (n == active) continue;
        buffer_of[button] = n;
        enabled[button] = holds_data(n);
        if (enabled[button] && b == 0) b = n;
        ++button;
    }
}

void CompareDialogModel::press(int button) {
    if (button < 1 || button > 5 || !enabled[std::size_t(button - 1)]) return;
    if (button == 1) a = active;
    else b = buffer_of[std::size_t(button - 1)];
}

bool CompareDialogModel::ok_compares() const {
    const auto holds_data = [&](int n) { return n >= 1 && n <= 5 && !empty_flags[std::size_t(n - 1)]; };
    return a != 0 && b != 0 && holds_data(a) && holds_data(b);
}

} // namespace korvane
