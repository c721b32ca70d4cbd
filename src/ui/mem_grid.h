#pragma once
// TMemGrid (module MemGrid): a hex dump of a block of memory with an address column and an ASCII
// column. It shows and edits memory it does not own, and marks every element the user typed.
#include <QAbstractScrollArea>
#include <QColor>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvane {

enum class TBufferType { btByte, btWord, btStack };
enum class TOrgStep { BytesxRow, ItemsxRow };

class TMemGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TMemGrid(QWidget* parent = nullptr);

    // Memory: words are 16-bit values (shown high digit first), bytes plain bytes. Null shows zeros.
    void set_data(std::uint16_t* words);
    void set_data(std::uint8_t* bytes);
    void clear_data();

    TBufferType TypeOfBuffer() const { return type_; }
    void setTypeOfBuffer(TBufferType t);
    int ByteSize() const { return byte_size_; }
    void setByteSize(int size);
    int NumCols() const { return num_cols_; }
    void setNumCols(int n);   // forced even, 2..16
    int TopRow() const { return top_row_; }
    void setTopRow(int row);
    int Org() const { return org_; }
    void setOrg(int org) { org_ = org; viewport()->update(); }
    TOrgStep OrgStep() const { return org_step_; }
    void setOrgStep(TOrgStep s) { org_step_ = s; viewport()->update(); }
    bool ReadOnly() const { return read_only_; }
    void setReadOnly(bool on) { read_only_ = on; }
    QColor Color() const { return color_; }
    void setColor(QColor c) { color_ = c; viewport()->update(); }
    QColor AsciiColor() const { return ascii_color_; }
    void setAsciiColor(QColor c) { ascii_color_ = c; viewport()->update(); }
    QColor AsciiFontColor() const { return ascii_font_color_; }
    void setAsciiFontColor(QColor c) { ascii_font_color_ = c; viewport()->update(); }
    QColor EditColor() const { return edit_color_; }
    void setEditColor(QColor c) { edit_color_ = c; viewport()->update(); }
    QColor HadrColor() const { return hadr_color_; }
    void setHadrColor(QColor c) { hadr_color_ = c; viewport()->update(); }
    QString Caption() const { return caption_; }
    void setCaption(const QString& c) { caption_ = c; viewport()->update(); }
    int ItemChanged() const { return item_changed_; }

    int element_count() const;
    int elements_per_row() const;
    int rows() const;
    int visible_rows() const;
    int row_height() const { return row_height_; }

    std::uint32_t element(int index) const;   // 0 outside the memory

    // Changed marks.
    void set_changed(int index, bool on);
    bool changed(int index) const;
    void clear_changed();
    std::string pack_changed() const;
    void unpack_changed(const std::string& packed);

    // Cursor (row relative to TopRow, element column or ASCII byte column, nibble).
    int cursor_row() const { return cur_row_; }
    int cursor_col() const { return cur_col_; }
    int cursor_nibble() const { return nibble_; }
    bool cursor_in_ascii() const { return in_ascii_; }
    void set_cursor(int row, int col, int nibble, bool ascii);

    // Geometry, for clicks and tests: left edge of the hex cell of an element column and of the
    // ASCII byte column.
    int hex_cell_x(int col) const;
    int ascii_x(int byte_col) const;
    int char_width() const { return char_w_; }

    std::function<void(TMemGrid*)> OnChange;
    std::function<void(TMemGrid*)> OnDblClick;

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* e) override;

private:
    void recompute_metrics();
    void update_scroll_bar();
    void move_right();
    void move_left();
    void move_down();
    void move_up();
    void store_nibble(int value);
    void store_ascii(int code);
    int last_nibble() const { return type_ == TBufferType::btWord ? 3 : 1; }
    int bytes_per_element() const { return type_ == TBufferType::btWord ? 2 : 1; }
    int row_element_index(int screen_row, int col) const;
    void set_element(int index, std::uint32_t value);
    int address_digits() const { return byte_size_ >= 65536 ? 6 : 4; }

    std::uint16_t* words_ = nullptr;
    std::uint8_t* bytes_ = nullptr;
    TBufferType type_ = TBufferType::btByte;
    int byte_size_ = 0;
    int num_cols_ = 16;
    int top_row_ = 0;
    int org_ = 0;
    TOrgStep org_step_ = TOrgStep::BytesxRow;
    bool read_only_ = false;
    QColor color_ = Qt::white;
    QColor ascii_color_ = Qt::white;
    QColor ascii_font_color_ = Qt::green;
    QColor edit_color_ = Qt::red;
    QColor hadr_color_ = Qt::black;
    QString caption_;
    int item_changed_ = -1;
    std::vector<bool> marks_;

    int cur_row_ = 0;
    int cur_col_ = 0;
    int nibble_ = 0;
    bool in_ascii_ = false;
    int h_offset_ = 0;   // first element column shown; the window's grids keep it 0
    bool syncing_scroll_ = false;

    int row_height_ = 15;
    int char_w_ = 8;
    int font_ascent_ = 10;
    int font_height_ = 12;
};

} // namespace korvane
