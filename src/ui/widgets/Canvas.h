#pragma once

#include <QImage>
#include <QWidget>

namespace korvel
{

// A picture of fixed size that keeps what is drawn on it, like a painted canvas: every drawing goes
// into the image at once and stays until the picture is cleared. Lines are drawn without smoothing, so
// each operation colours exactly the pixels its coordinates name. Text is bold; the title is the text
// the picture is known by.
class Canvas final : public QWidget
{
    Q_OBJECT
public:
    Canvas(int width, int height, QWidget *parent = nullptr);

    const QImage &image() const { return m_image; }
    QString title() const { return m_title; }

    void clear(const QColor &colour);
    void fillRectangle(const QRect &area, const QColor &colour);
    void drawPolyline(const QList<QPoint> &points, const QColor &colour, int penWidth);
    void drawText(QPoint at, const QString &text, const QColor &colour);
    void drawTitle(QPoint at, const QString &text, const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    QString m_title;
};

} // namespace korvel
