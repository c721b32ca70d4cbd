#pragma once
// TCompare_Buffers: picks the buffer the active one is compared with. CmpBuff1 stands for the
// active buffer, CmpBuff2..5 for the other four in increasing number (one exclusive group).
#include <QDialog>
#include <array>

#include "app/buffer_compare.h"

class QLabel;
class QPushButton;
class QToolButton;

namespace korvane {

class TCompare_Buffers : public QDialog {
    Q_OBJECT
public:
    // empty[n-1] is the empty flag of buffer n.
    TCompare_Buffers(int active, const std::array<bool, 5>& empty, QWidget* parent = nullptr);

    const CompareDialogModel& model() const { return model_; }

    std::array<QToolButton*, 5> CmpBuff{};      // CmpBuff1 .. CmpBuff5
    std::array<QLabel*, 5> StaticText{};        // StaticText1 .. StaticText5
    QPushButton* OKButton;
    QPushButton* CancelButton;

private:
    CompareDialogModel model_;
};

} // namespace korvane
