#include "ui/port_combo.h"

#include <QComboBox>
#include <QPainter>
#include <QPixmap>

namespace korvane {

namespace {

// Image 0: a lit connector; image 1: a greyed one with a bar across.
QIcon port_image(bool available) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(available ? QColor(0, 170, 0) : QColor(170, 170, 170));
    p.drawRoundedRect(QRectF(2.5, 4.5, 11, 7), 2, 2);
    if (!available) {
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(3, 13, 13, 3);
    }
    return QIcon(pm);
}

} // namespace

void fill_port_combo(QComboBox* combo, const std::vector<PortChoice>& ports, int selected) {
    const QSignalBlocker block(combo);
    combo->clear();
    for (const PortChoice& port : ports) {
        combo->addItem(port_image(port.available), QString::fromStdString(port.label), QString::fromStdString(port.name));
        combo->setItemData(combo->count() - 1, port.available, kPortAvailableRole);
    }
    combo->setCurrentIndex(selected);
}

} // namespace korvane
