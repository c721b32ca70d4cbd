#include "ui/compare_dialog.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "ui/icons.h"

namespace korvane {

TCompare_Buffers::TCompare_Buffers(int active, const std::array<bool, 5>& empty, QWidget* parent)
    : QDialog(parent), model_(active, empty) {
    setObjectName("Compare_Buffers");
    setWindowTitle("Compare Buffers");
    setFixedSize(330, 180);

    auto* prompt = new QLabel("Select the buffer to compare with :", this);
    prompt->setGeometry(12, 10, 306, 16);

    auto* right = new QButtonGroup(this);
    right->setExclusive(true);
    for (int i = 0; i < 5; ++i) {
        const std::size_t k = std::size_t(i);
        const int x = i == 0 ? 16 : 110 + 52 * (i - 1);
        auto* b = new QToolButton(this);
        b->setObjectName(QString("CmpBuff%1").arg(i + 1));
        b->setGeometry(x, 40, 44, 44);
        b->setCheckable(true);
        b->setIcon(app_icon(i == 0 ? "pic" : "compare"));
        b->setIconSize(QSize(28, 28));
        b->setEnabled(model_.enabled[k]);
        b->setChecked(i == 0 ? model_.a != 0 : model_.buffer_of[k] == model_.b && model_.b != 0);
        if (i > 0) right->addButton(b, i + 1);
        CmpBuff[k] = b;

        auto* text = new QLabel(QString::fromStdString(CompareDialogModel::caption_of(model_.buffer_of[k])), this);
        text->setObjectName(QString("StaticText%1").arg(i + 1));
        text->setGeometry(x - 4, 88, 52, 16);
        text->setAlignment(Qt::AlignCenter);
        if (model_.enabled[k]) text->setStyleSheet("QLabel { color: blue; }");
        StaticText[k] = text;

        connect(b, &QToolButton::clicked, this, [this, i] {
            model_.press(i + 1);
            if (i == 0) CmpBuff[0]->setChecked(model_.a != 0);   // a toggle of its own that stays down
        });
    }
    auto* line = new QLabel(this);
    line->setGeometry(92, 36, 2, 72);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(150, 136, 80, 26);
    OKButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setGeometry(238, 136, 80, 26);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

} // namespace korvane
