#include "ui/iso_card_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "card/card_table.h"
#include "ui/icons.h"

namespace korvane {

namespace {

QLabel* value_label(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setMinimumWidth(140);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

IsoCardSelectDialog::IsoCardSelectDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("TISOSC_Select");
    setWindowTitle(kIsoCardDialogTitle);
    auto* layout = new QVBoxLayout(this);
    SCSelection = new QTabWidget(this);
    SCSelection->setObjectName("SCSelection");
    layout->addWidget(SCSelection);

    QLabel* values[2][3] = {};
    for (int page = 0; page < kIsoCardPageCount; ++page) {
        auto* sheet = new QWidget(SCSelection);
        auto* grid = new QGridLayout(sheet);
        for (int index = 0; index < iso_card_page_size(page); ++index) {
            const TIsoCard* card = iso_card(page, index);
            auto* b = new QToolButton(sheet);
            b->setObjectName(card->button);
            b->setProperty("tag", index);
            b->setIcon(app_icon("isocard"));
            b->setIconSize(QSize(48, 32));
            b->setToolTip(card->hint);
            b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            b->setText(QString::fromStdString(card->shown.card_name.str()).trimmed());
            b->setMinimumWidth(110);
            connect(b, &QToolButton::clicked, this, [this, page, index] { press(page, index); });
            grid->addWidget(b, index / 3, index % 3);
            card_buttons.push_back(b);
        }
        const int row = 3;
        const char* names[2][3] = {{"SCType_Label", "PIC_Label", "EEProm_Label"},
                                   {"SC18FType_label", "PIC18F_Label", "EEProm18F_label"}};
        const char* captions[3] = {kIsoCardNameCaption, kIsoCardPicCaption, kIsoCardEEPromCaption};
        for (int k = 0; k < 3; ++k) {
            grid->addWidget(new QLabel(captions[k], sheet), row + k, 0);
            values[page][k] = value_label(sheet, names[page][k]);
            grid->addWidget(values[page][k], row + k, 1, 1, 2);
        }
        SCSelection->addTab(sheet, iso_card_page_caption(page));
    }
    SCType_Label = values[0][0];
    PIC_Label = values[0][1];
    EEProm_Label = values[0][2];
    SC18FType_label = values[1][0];
    PIC18F_Label = values[1][1];
    EEProm18F_label = values[1][2];

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(SCSelection, &QTabWidget::currentChanged, this, [this](int page) { model_.set_active_page(page); });
}

QToolButton* IsoCardSelectDialog::card_button(int page, int index) const {
    int k = index;
    for (int p = 0; p < page; ++p) k += iso_card_page_size(p);
    if (index < 0 || index >= iso_card_page_size(page) || k >= int(card_buttons.size())) return nullptr;
    return card_buttons[std::size_t(k)];
}

void IsoCardSelectDialog::showEvent(QShowEvent* e) {
    model_.on_show();
    SCSelection->setCurrentIndex(kIsoCardPage16F);
    QDialog::showEvent(e);
}

void IsoCardSelectDialog::press(int page, int index) {
    if (model_.card_button(page, index)) show_labels(page);
}

void IsoCardSelectDialog::show_labels(int page) {
    const IsoCardLabels& l = model_.page_labels(page);
    QLabel* card = page == kIsoCardPage18F ? SC18FType_label : SCType_Label;
    QLabel* pic = page == kIsoCardPage18F ? PIC18F_Label : PIC_Label;
    QLabel* eeprom = page == kIsoCardPage18F ? EEProm18F_label : EEProm_Label;
    card->setText(QString::fromStdString(l.card));
    pic->setText(QString::fromStdString(l.pic));
    eeprom->setText(QString::fromStdString(l.eeprom));
}

void IsoCardSelectDialog::store(SettingsRecord& settings) const { model_.ok(settings); }

} // namespace korvane
