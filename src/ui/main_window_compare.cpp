// Buffer > Compare: the comparison of the active buffer with another one and the walk through the
// differences (btnNextDiff, btnStopDiff). The busy flag stays up while the walk lasts.
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include "app/buffer_compare.h"
#include "eeprom/eeprom_catalogue.h"
#include "pic/pic_catalogue.h"
#include "ui/compare_dialog.h"
#include "ui/config_panel.h"
#include "ui/main_window.h"
#include "ui/mem_grid.h"

namespace korvane {

int TMain::exec_dialog(QDialog& dialog) {
    if (!dialog_hook) return dialog.exec();
    dialog.setResult(QDialog::Rejected);
    dialog_hook(dialog);
    return dialog.result();
}

TMemGrid* TMain::compare_grid() const { return mode_ == kModeEEProm ? EEPromWin : CodeWin; }

void TMain::cmd_compare() {
    if (busy_ || (mode_ != kModePic && mode_ != kModeEEProm)) return;
    if ((mode_ == kModePic && !pic_buffers_) || (mode_ == kModeEEProm && !ee_buffers_)) return;
    std::array<bool, 5> empty{};
    for (int n = 1; n <= 5; ++n)
        empty[std::size_t(n - 1)] = mode_ == kModePic ? (*pic_buffers_)[n].empty : (*ee_buffers_)[n].empty;
    ComparePair pair = choose_compare_pair(current_buffer_, empty);
    if (pair.needs_dialog) {
        TCompare_Buffers dialog(current_buffer_, empty, this);
        if (exec_dialog(dialog) != QDialog::Accepted || !dialog.model().ok_compares()) return;
        pair.a = dialog.model().a;
        pair.b = dialog.model().b;
    }
    start_comparison(pair.a, pair.b);
}

void TMain::start_comparison(int a, int b) {
    busy_ = true;
    compare_b_ = b;
    if (mode_ == kModePic) {
        const auto count = std::uint32_t(pic_device(device_index()).code_size);
        comparison_ = std::make_unique<BufferComparison>((*pic_buffers_)[a].code.data(),
                                                         (*pic_buffers_)[b].code.data(), count);
    } else {
        const TEEPromType& type = eeprom_type(mode_eeprom_device());
        comparison_ = std::make_unique<BufferComparison>((*ee_buffers_)[a].bytes.data(), (*ee_buffers_)[b].bytes.data(),
                                                         type.last_address + 1, type.size >= 65536);
    }
    const StripGeometry g = compare_strip_geometry(comparison_->layout());
    for (QLineEdit* box : {CompareAddr, CompareLine}) {
        QFont f = box->font();
        f.setPointSize(g.font_size);
        box->setFont(f);
    }
    CompareAddr->setGeometry(g.addr_left, CompareAddr->y(), g.addr_width, CompareAddr->height());
    CompareLine->setGeometry(g.line_left, CompareLine->y(), g.line_width, CompareLine->height());

    if (!comparison_->found()) {
        info_box(*this, kCompareCaption, {kNoDifferencesFound});
        busy_ = false;
        return;
    }
    walking_ = true;
    CompareAddr->clear();
    CompareLine->clear();
    if (mode_ == kModePic) {
        CodeWin->setReadOnly(true);
        DataWin->setReadOnly(true);
    } else {
        EEPromWin->setReadOnly(true);
        Items_List->setEnabled(false);
    }
    place_compare_strip();
    compare_grid()->set_changed(int(comparison_->position()), true);
    compare_grid()->viewport()->update();
    if (mode_ == kModePic) config->lock();   // the device list and the configuration controls
    for (QWidget* w : std::initializer_list<QWidget*>{CompareLine, CompareAddr, btnNextDiff, btnStopDiff}) {
        w->setEnabled(true);
        w->show();
        w->raise();
    }
    for (int i = 0; i < 5; ++i) btnBuffer[std::size_t(i)]->setEnabled(i + 1 == current_buffer_);
}

// Scrolls the grid to the current difference and lays the strip, with buffer B's row, over the
// row under it. The strip follows the grid's real row height, so any font lines up.
void TMain::place_compare_strip() {
    const BufferComparison& c = *comparison_;
    TMemGrid* grid = compare_grid();
    const GridPlace place = compare_grid_place(c.layout(), c.position());
    grid->setTopRow(place.top_row);
    const int top = grid->y() + grid->viewport()->y() + (place.visible_row + 2) * grid->row_height();
    for (QLineEdit* box : {CompareAddr, CompareLine})
        box->setGeometry(box->x(), top, box->width(), grid->row_height());
    const bool pic = c.layout().kind == CompareKind::PicWords;
    const RowTextParts parts = comparison_row_parts(
        c, pic ? (*pic_buffers_)[compare_b_].code.data() : nullptr, pic ? nullptr : (*ee_buffers_)[compare_b_].bytes.data());
    CompareAddr->setText(QString::fromLatin1(parts.address.c_str()));
    CompareLine->setText(QString::fromLatin1(parts.line.c_str()));
}

void TMain::cmd_next_difference() {
    if (!walking_ || !comparison_) return;
    BufferComparison& c = *comparison_;
    const int len = c.layout().row_length();
    const std::uint32_t old_row = c.position() / std::uint32_t(len);
    if (!c.next()) {
        info_box(*this, kCompareCaption, {kNoMoreDifferences});
        return;
    }
    if (c.position() / std::uint32_t(len) != old_row) place_compare_strip();
    else compare_grid()->setTopRow(compare_grid_place(c.layout(), c.position()).top_row);
    compare_grid()->set_changed(int(c.position()), true);   // earlier differences stay marked
    compare_grid()->viewport()->update();
}

void TMain::cmd_stop_difference() {
    if (!walking_) return;
    if (mode_ == kModePic) {
        CodeWin->setReadOnly(false);
        DataWin->setReadOnly(false);
        CodeWin->setTopRow(0);
        refresh_views(true);   // marks cleared; the rebuild enables the list and the controls
        Items_List->setEnabled(true);
    } else {
        EEPromWin->setReadOnly(false);
        EEPromWin->setTopRow(0);
        EEPromWin->clear_changed();
        EEPromWin->viewport()->update();
        Items_List->setEnabled(true);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{CompareLine, CompareAddr, btnNextDiff, btnStopDiff}) w->hide();
    btnNextDiff->setEnabled(false);
    btnStopDiff->setEnabled(false);
    for (QToolButton* b : btnBuffer) b->setEnabled(true);
    walking_ = false;
    busy_ = false;
}

} // namespace korvane
