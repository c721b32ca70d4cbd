#include "ui/decorations.h"

#include <QPainter>
#include <QRadialGradient>

namespace korvane {

GradientPanel::GradientPanel(QWidget* parent) : QWidget(parent) {}

void GradientPanel::set_colours(QColor start, QColor end) {
    start_ = start;
    end_ = end;
    update();
}

void GradientPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int h = height();
    for (int band = 0; band < 256; ++band) {
        const int y0 = band * h / 256;
        const int y1 = (band + 1) * h / 256;
        const auto mix = [band](int a, int b) { return a + (b - a) * band / 255; };
        p.fillRect(0, y0, width(), std::max(1, y1 - y0),
                   QColor(mix(start_.red(), end_.red()), mix(start_.green(), end_.green()),
                          mix(start_.blue(), end_.blue())));
    }
}

LedLamp::LedLamp(QColor lit, QWidget* parent) : QWidget(parent), lit_(lit) {}

void LedLamp::set_on(bool on) {
    if (on_ == on) return;
    on_ = on;
    update();
}

void LedLamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const QColor base = on_ ? lit_ : lit_.darker(350);
    QRadialGradient g(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() / 1.6);
    g.setColorAt(0, on_ ? base.lighter(170) : base.lighter(130));
    g.setColorAt(1, base);
    p.setBrush(g);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawEllipse(r);
}

} // namespace korvane
