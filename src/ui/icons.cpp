#include "ui/icons.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>
#include <memory>

namespace korvane {

namespace {

// Renders the SVG at exactly the requested size, so HiDPI screens get full-resolution glyphs.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(const QString& path) : path_(path), renderer_(std::make_shared<QSvgRenderer>(path)) {}
    void paint(QPainter* p, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        if (mode == QIcon::Disabled) p->setOpacity(0.35);
        renderer_->render(p, rect);
        p->setOpacity(1.0);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }
    QIconEngine* clone() const override { return new SvgIconEngine(path_); }
    QString key() const override { return "korvane-svg"; }

private:
    QString path_;
    std::shared_ptr<QSvgRenderer> renderer_;
};

} // namespace

QIcon app_icon(const QString& name) {
    const QString path = ":/icons/" + name + ".svg";
    if (!QFile::exists(path)) return {};
    return QIcon(new SvgIconEngine(path));
}

} // namespace korvane
