#include "ui/mem_grid.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <qdrawutil.h>

#include "buffers/marks.h"

namespace korvane {

namespace {

QString hex_digits(std::uint32_t v, int digits) {
    return QString("%1").arg(v, digits, 16, QChar('0')).toUpper();
}

QChar ascii_char(std::uint32_t byte) {
    return byte >= 32 && byte <= 127 ? QChar(char(byte)) : QChar('.');
}

} // namespace

TMemGrid::TMemGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFont(QFont("Courier New"));
    resize(120, height());
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    recompute_metrics();
}

void TMemGrid::set_data(std::uint16_t* words) {
    words_ = words;
    bytes_ = nullptr;
    viewport()->update();
}

void TMemGrid::set_data(std::uint8_t* bytes) {
    bytes_ = bytes;
    words_ = nullptr;
    viewport()->update();
}

void TMemGrid::clear_data() {
    words_ = nullptr;
    bytes_ = nullptr;
    viewport()->update();
}

void TMemGrid::setTypeOfBuffer(TBufferType t) {
    type_ = t;
    marks_.assign(std::size_t(element_count()), false);
    recompute_metrics();
}

void TMemGrid::setByteSize(int size) {
    byte_size_ = std::max(0, size);
    marks_.assign(std::size_t(element_count()), false);
    top_row_ = 0;
    cur_row_ = cur_col_ = nibble_ = 0;
    recompute_metrics();
}

void TMemGrid::setNumCols(int n) {
    num_cols_ = std::clamp(n & ~1, 2, 16);
    recompute_metrics();
}

void TMemGrid::setTopRow(int row) {
    top_row_ = std::clamp(row, 0, std::max(0, rows() - 1));
    update_scroll_bar();
    viewport()->update();
}

int TMemGrid::element_count() const {
    return type_ == TBufferType::btWord ? byte_size_ / 2 : byte_size_;
}

int TMemGrid::elements_per_row() const {
    return type_ == TBufferType::btWord ? num_cols_ / 2 : num_cols_;
}

int TMemGrid::rows() const { return (byte_size_ + num_cols_ - 1) / num_cols_; }

int TMemGrid::visible_rows() const {
    return std::max(1, viewport()->height() / std::max(1, row_height_) - 1);
}

std::uint32_t TMemGrid::element(int index) const {
    if (index < 0 || index >= element_count()) return 0;
    if (words_ && type_ == TBufferType::btWord) return words_[index];
    if (bytes_ && type_ != TBufferType::btWord) return bytes_[index];
    return 0;
}

void TMemGrid::set_element(int index, std::uint32_t value) {
    if (index < 0 || index >= element_count()) return;
    if (words_ && type_ == TBufferType::btWord) words_[index] = std::uint16_t(value);
    else if (bytes_ && type_ != TBufferType::btWord) bytes_[index] = std::uint8_t(value);
}

void TMemGrid::set_changed(int index, bool on) {
    if (index < 0 || index >= int(marks_.size())) return;
    marks_[std::size_t(index)] = on;
    viewport()->update();
}

bool TMemGrid::changed(int index) const {
    return index >= 0 && index < int(marks_.size()) && marks_[std::size_t(index)];
}

void TMemGrid::clear_changed() {
    std::fill(marks_.begin(), marks_.end(), false);
    viewport()->update();
}

std::string TMemGrid::pack_changed() const {
    std::vector<bool> whole(marks_.begin(), marks_.begin() + std::ptrdiff_t(marks_.size() / 8 * 8));
    return pack_marks(whole);
}

void TMemGrid::unpack_changed(const std::string& packed) {
    const std::size_t limit = std::min(packed.size(), marks_.size() / 8) * 8;
    const std::vector<bool> bits = unpack_marks(packed, limit);
    for (std::size_t i = 0; i < limit; ++i)
        if (bits[i]) marks_[i] = true;
    viewport()->update();
}

void TMemGrid::set_cursor(int row, int col, int nibble, bool ascii) {
    cur_row_ = std::max(0, row);
    in_ascii_ = ascii;
    cur_col_ = std::clamp(col, 0, (ascii ? num_cols_ : elements_per_row()) - 1);
    nibble_ = ascii ? 0 : std::clamp(nibble, 0, last_nibble());
    viewport()->update();
}

void TMemGrid::recompute_metrics() {
    const QFontMetrics fm(font());
    font_height_ = fm.height();
    font_ascent_ = fm.ascent();
    row_height_ = fm.height() + fm.leading() + 3;
    if (QFontInfo(font()).fixedPitch())
        char_w_ = (fm.averageCharWidth() + fm.maxWidth()) / 2;
    else
        char_w_ = fm.averageCharWidth();
    // Hex digits must never overlap, whatever the averages of a fallback font say.
    char_w_ = std::max({char_w_, fm.horizontalAdvance('0'), fm.horizontalAdvance('F'), 1});
    update_scroll_bar();
    viewport()->update();
}

void TMemGrid::update_scroll_bar() {
    syncing_scroll_ = true;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, rows() - visible_rows()));
    bar->setPageStep(visible_rows());
    bar->setSingleStep(1);
    bar->setValue(top_row_);
    syncing_scroll_ = false;
}

void TMemGrid::scrollContentsBy(int, int) {
    if (syncing_scroll_) return;
    top_row_ = verticalScrollBar()->value();
    viewport()->update();
}

void TMemGrid::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    update_scroll_bar();
}

void TMemGrid::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) recompute_metrics();
}

int TMemGrid::hex_cell_x(int col) const {
    const int addr_w = (address_digits() == 6 ? 7 : 5) * char_w_ + 8;
    const int cell_w = (type_ == TBufferType::btWord ? 5 : 3) * char_w_;
    return addr_w + (col - h_offset_) * cell_w;
}

int TMemGrid::ascii_x(int byte_col) const {
    return hex_cell_x(elements_per_row()) + char_w_ / 2 + byte_col * char_w_;
}

int TMemGrid::row_element_index(int screen_row, int col) const {
    return (top_row_ + screen_row) * elements_per_row() + col;
}

void TMemGrid::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.setFont(font());
    const QPalette& pal = palette();
    const int w = viewport()->width();
    const int h = viewport()->height();
    const int rh = row_height_;
    const int per_row = elements_per_row();
    const bool words = type_ == TBufferType::btWord;
    const int digits = words ? 4 : 2;
    const int addr_w = hex_cell_x(h_offset_);
    const int hex_end = hex_cell_x(per_row);
    const int text_dy = (rh - font_height_) / 2 + font_ascent_;
    const QBrush face = pal.button();

    p.fillRect(0, 0, w, h, color_);

    // Header row: raised faces, the caption in the corner, column headings above the hex cells.
    qDrawShadePanel(&p, 0, 0, addr_w, rh, pal, false, 1, &face);
    qDrawShadePanel(&p, addr_w, 0, w - addr_w, rh, pal, false, 1, &face);
    p.setPen(hadr_color_);
    p.drawText(QRect(2, 0, addr_w - 4, rh), Qt::AlignCenter, caption_);
    for (int col = h_offset_; col < per_row; ++col) {
        QString heading;
        if (!words) heading = hex_digits(std::uint32_t(col), 2);
        else if (org_step_ == TOrgStep::BytesxRow)
            heading = hex_digits(std::uint32_t(2 * col), 2) + hex_digits(std::uint32_t(2 * col + 1), 2);
        else heading = " " + hex_digits(std::uint32_t(col), 2) + " ";
        p.drawText(hex_cell_x(col) + char_w_ / 2, text_dy, heading);
    }

    // Rows.
    const int shown = h / rh;
    for (int row = 0; row + 1 < shown + 1; ++row) {
        const long long first_byte = (long long)(top_row_ + row) * num_cols_;
        if (first_byte >= byte_size_) break;
        const int y = (row + 1) * rh;
        if (y >= h) break;
        long long addr = org_step_ == TOrgStep::ItemsxRow && words ? org_ + first_byte / 2
                                                                   : org_ + first_byte;
        qDrawShadePanel(&p, 0, y, addr_w, rh, pal, false, 1, &face);
        p.setPen(hadr_color_);
        p.drawText(char_w_ / 2 + 2, y + text_dy, hex_digits(std::uint32_t(addr), address_digits()));

        const int cell_w = (words ? 5 : 3) * char_w_;
        p.fillRect(ascii_x(0) - char_w_ / 2, y, num_cols_ * char_w_ + char_w_, rh, ascii_color_);
        for (int col = h_offset_; col < per_row; ++col) {
            const int index = row_element_index(row, col);
            if (index >= element_count()) break;
            const std::uint32_t v = element(index);
            const int x = hex_cell_x(col);
            if (changed(index)) {
                p.fillRect(x + 1, y + 1, cell_w - 2, rh - 2, Qt::yellow);
                p.setPen(Qt::black);
                p.drawRect(x + 1, y + 1, cell_w - 3, rh - 3);
                p.setPen(edit_color_);
            } else {
                p.setPen(pal.color(QPalette::Text));
            }
            p.drawText(x + char_w_ / 2, y + text_dy, hex_digits(v, digits));
            p.setPen(ascii_font_color_);
            if (words) {
                p.drawText(ascii_x(2 * col), y + text_dy, QString(ascii_char(v >> 8)));
                p.drawText(ascii_x(2 * col + 1), y + text_dy, QString(ascii_char(v & 0xFF)));
            } else {
                p.drawText(ascii_x(col), y + text_dy, QString(ascii_char(v)));
            }
        }
    }
    (void)hex_end;

    // Caret: a block over the character at the cursor.
    if (hasFocus()) {
        const int y = (cur_row_ + 1) * rh + (rh - font_height_) / 2;
        const int x = in_ascii_ ? ascii_x(cur_col_) : hex_cell_x(cur_col_) + char_w_ / 2 + nibble_ * char_w_;
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.fillRect(x, y, char_w_, font_height_, Qt::white);
    }
}

void TMemGrid::move_right() {
    const int row_len = in_ascii_ ? num_cols_ : elements_per_row();
    if (!in_ascii_ && nibble_ < last_nibble()) {
        ++nibble_;
        return;
    }
    if (cur_col_ + 1 < row_len) {
        ++cur_col_;
        nibble_ = 0;
        return;
    }
    // Wrap to the next row's first element when there is one.
    if ((top_row_ + cur_row_ + 1) >= rows()) return;
    cur_col_ = 0;
    nibble_ = 0;
    if (cur_row_ + 1 < visible_rows()) ++cur_row_;
    else setTopRow(top_row_ + 1);
}

void TMemGrid::move_left() {
    if (!in_ascii_ && nibble_ > 0) {
        --nibble_;
        return;
    }
    if (cur_col_ > 0) {
        --cur_col_;
        nibble_ = in_ascii_ ? 0 : last_nibble();
        return;
    }
    if (top_row_ + cur_row_ == 0) return;
    cur_col_ = (in_ascii_ ? num_cols_ : elements_per_row()) - 1;
    nibble_ = in_ascii_ ? 0 : last_nibble();
    if (cur_row_ > 0) --cur_row_;
    else setTopRow(top_row_ - 1);
}

void TMemGrid::move_down() {
    if ((long long)(top_row_ + cur_row_ + 1) * num_cols_ >= byte_size_) return;
    if (cur_row_ + 1 < visible_rows()) ++cur_row_;
    else setTopRow(top_row_ + 1);
}

void TMemGrid::move_up() {
    if (cur_row_ > 0) --cur_row_;
    else if (top_row_ > 0) setTopRow(top_row_ - 1);
}

void TMemGrid::store_nibble(int value) {
    const int index = row_element_index(cur_row_, cur_col_);
    if (index >= element_count() || (!words_ && !bytes_)) return;
    const int shift = (last_nibble() - nibble_) * 4;
    std::uint32_t v = element(index);
    v = (v & ~(0xFu << shift)) | (std::uint32_t(value) << shift);
    set_element(index, v);
    item_changed_ = index;
}

void TMemGrid::store_ascii(int code) {
    const bool words = type_ == TBufferType::btWord;
    const int index = row_element_index(cur_row_, words ? cur_col_ / 2 : cur_col_);
    if (index >= element_count() || (!words_ && !bytes_)) return;
    std::uint32_t v = element(index);
    if (!words) v = std::uint32_t(code);
    else if (cur_col_ % 2 == 0) v = (v & 0x00FF) | (std::uint32_t(code) << 8);
    else v = (v & 0xFF00) | std::uint32_t(code);
    set_element(index, v);
    item_changed_ = index;
}

void TMemGrid::keyPressEvent(QKeyEvent* e) {
    if (read_only_) return;
    item_changed_ = -1;
    const int key = e->key();
    const int vis = visible_rows();
    switch (key) {
    case Qt::Key_PageUp: setTopRow(std::max(0, top_row_ - vis)); break;
    case Qt::Key_PageDown: setTopRow(std::clamp(top_row_ + vis, 0, std::max(0, rows() - vis))); break;
    case Qt::Key_Home:
        setTopRow(0);
        cur_row_ = cur_col_ = nibble_ = 0;
        break;
    case Qt::Key_End: {
        setTopRow(std::max(0, rows() - vis + 1));
        cur_row_ = std::clamp(rows() - 1 - top_row_, 0, std::max(0, vis - 1));
        cur_col_ = (in_ascii_ ? num_cols_ : elements_per_row()) - 1;
        nibble_ = in_ascii_ ? 0 : last_nibble();
        break;
    }
    case Qt::Key_Left: move_left(); break;
    case Qt::Key_Right: move_right(); break;
    case Qt::Key_Up: move_up(); break;
    case Qt::Key_Down: move_down(); break;
    default: {
        const bool keypad = e->modifiers() & Qt::KeypadModifier;
        int stored = -1;
        if (!in_ascii_) {
            if (!keypad && key >= Qt::Key_0 && key <= Qt::Key_9) stored = key - Qt::Key_0;
            else if (!keypad && key >= Qt::Key_A && key <= Qt::Key_F) stored = 10 + key - Qt::Key_A;
            if (stored >= 0) store_nibble(stored);
        } else if (key >= 32 && key <= 126) {
            stored = key;   // Qt gives letters as their upper-case codes
            store_ascii(key);
        }
        if (stored < 0) {
            QAbstractScrollArea::keyPressEvent(e);
            return;
        }
        if (item_changed_ >= 0 && OnChange) OnChange(this);
        move_right();
        break;
    }
    }
    viewport()->update();
}

void TMemGrid::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint pos = e->position().toPoint();
    const int row = pos.y() / row_height_ - 1;
    if (row < 0) return;
    if ((long long)(top_row_ + row) * num_cols_ >= byte_size_) return;
    const int per_row = elements_per_row();
    if (pos.x() >= hex_cell_x(0) && pos.x() < hex_cell_x(per_row)) {
        const int cell_w = (type_ == TBufferType::btWord ? 5 : 3) * char_w_;
        const int col = (pos.x() - hex_cell_x(0)) / cell_w;
        const int nib = (pos.x() - hex_cell_x(col) - char_w_ / 2) / char_w_;
        set_cursor(row, col, std::clamp(nib, 0, last_nibble()), false);
    } else if (pos.x() >= ascii_x(0) && pos.x() < ascii_x(num_cols_)) {
        set_cursor(row, (pos.x() - ascii_x(0)) / char_w_, 0, true);
    } else {
        return;
    }
    setFocus(Qt::MouseFocusReason);
}

void TMemGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    mousePressEvent(e);
    if (OnDblClick) OnDblClick(this);
}

void TMemGrid::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    viewport()->update();
}

void TMemGrid::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    viewport()->update();
}

} // namespace korvane
