#include "ui/msg_form.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/message_format.h"

namespace korvane {

QString button_caption(int code) {
    switch (code) {
    case mbOK: return "OK";
    case mbCancel: return "Cancel";
    case mbAbort: return "Abort";
    case mbRetry: return "Retry";
    case mbIgnore: return "Ignore";
    case mbYes: return "Yes";
    case mbNo: return "No";
    case mbAll: return "All";
    default: return "Ok";
    }
}

namespace {

QStyle::StandardPixmap kind_icon(MsgKind kind, bool& has_icon) {
    has_icon = true;
    switch (kind) {
    case MsgKind::Warning: return QStyle::SP_MessageBoxWarning;
    case MsgKind::Error: return QStyle::SP_MessageBoxCritical;
    case MsgKind::Information: return QStyle::SP_MessageBoxInformation;
    case MsgKind::Question: return QStyle::SP_MessageBoxQuestion;
    default: has_icon = false; return QStyle::SP_MessageBoxInformation;
    }
}

} // namespace

TMsgForm::TMsgForm(QWidget* owner, const std::vector<std::string>& lines, MsgKind kind,
                   const std::vector<int>& buttons)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowStaysOnTopHint),
      owner_(owner), self_closing_(buttons.empty()) {
    setObjectName("Msgfrm");
    setModal(true);
    setWindowTitle(lines.empty() ? QString() : QString::fromStdString(lines.front()));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(16, 12, 16, 12);
    outer->setSpacing(4);

    bool has_icon = false;
    const auto icon_kind = kind_icon(kind, has_icon);
    if (has_icon) {
        auto* icon = new QLabel(this);
        icon->setObjectName("Icon");
        icon->setPixmap(style()->standardIcon(icon_kind).pixmap(32, 32));
        icon->setAlignment(Qt::AlignCenter);
        outer->addWidget(icon);
    }

    for (std::size_t i = 1; i < lines.size(); ++i) {
        const LineFormat f = parse_line_format(lines[i]);
        auto* label = new QLabel(QString::fromStdString(f.text), this);
        label->setObjectName(QString("Line%1").arg(i));
        label->setTextFormat(Qt::PlainText);
        QFont font = label->font();
        font.setPointSize(f.point_size);
        font.setBold(f.bold);
        font.setItalic(f.italic);
        font.setUnderline(f.underline);
        font.setStrikeOut(f.strike);
        label->setFont(font);
        label->setAlignment((f.align == LineAlign::Left    ? Qt::AlignLeft
                             : f.align == LineAlign::Right ? Qt::AlignRight
                                                           : Qt::AlignHCenter) |
                            Qt::AlignVCenter);
        outer->addWidget(label);
    }

    if (!buttons.empty()) {
        outer->addSpacing(8);
        auto* row = new QHBoxLayout;
        row->addStretch();
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            const int code = buttons[i];
            auto* b = new QPushButton(button_caption(code), this);
            b->setObjectName(QString("Button%1").arg(i + 1));
            b->setProperty("code", code);
            QFont font = b->font();
            font.setBold(true);
            font.setUnderline(i + 1 == buttons.size());
            b->setFont(font);
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, [this, code] { done(code); });
            row->addWidget(b);
            buttons_.push_back(b);
        }
        row->addStretch();
        outer->addLayout(row);
        buttons_.front()->setDefault(true);
        buttons_.front()->setFocus();
    }
    setMinimumWidth(240);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    const unsigned sound = kind == MsgKind::Warning       ? 0x30
                           : kind == MsgKind::Error       ? 0x10
                           : kind == MsgKind::Information ? 0x40
                           : kind == MsgKind::Question    ? 0x20
                                                          : 0;
    if (beep_hook) beep_hook(sound);
    else QApplication::beep();
}

void TMsgForm::reject() {
    if (self_closing_) done(1);
}

void TMsgForm::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    adjustSize();
    QRect area(0, 0, 1024, 768);
    if (owner_ && owner_->isVisible()) area = owner_->frameGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
    if (self_closing_) QTimer::singleShot(kSelfCloseMs, this, [this] { done(1); });
}

int TMsgForm::run(QWidget* owner, const std::vector<std::string>& lines, MsgKind kind,
                  const std::vector<int>& buttons) {
    TMsgForm box(owner, lines, kind, buttons);
    return box.exec();
}

} // namespace korvane
