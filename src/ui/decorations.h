#pragma once
// The window's decoration: the gradient side panel and the Rx/Tx indicator lamps.
#include <QColor>
#include <QWidget>

namespace korvane {

// Painted in 256 bands from the start colour (top) to the end colour (bottom).
class GradientPanel : public QWidget {
    Q_OBJECT
public:
    explicit GradientPanel(QWidget* parent = nullptr);
    void set_colours(QColor start, QColor end);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor start_ = QColor(192, 192, 192);
    QColor end_ = Qt::black;
};

// A round lamp, lit or dark; it is not bound to a port.
class LedLamp : public QWidget {
    Q_OBJECT
public:
    LedLamp(QColor lit, QWidget* parent = nullptr);
    bool is_on() const { return on_; }
    void set_on(bool on);
    void toggle() { set_on(!on_); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor lit_;
    bool on_ = false;
};

} // namespace korvane
