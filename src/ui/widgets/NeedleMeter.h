#pragma once

#include <QList>
#include <QString>
#include <QWidget>

namespace korvel
{

// A panel needle meter on a dark face: an arc scale with ticks, labelled marks, coloured zones for the
// two halves and a red needle. Built for the cos φ meter, whose scale it carries by default.
class NeedleMeter final : public QWidget
{
    Q_OBJECT
public:
    struct Mark {
        int position;
        QString label;
    };

    explicit NeedleMeter(QWidget *parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // The position is held inside the new range.
    void setRange(int minimum, int maximum);

    int position() const { return m_position; }
    // Held at the ends of the scale, as the needle's stop would hold it.
    void setPosition(int position);

    QList<Mark> marks() const { return m_marks; }
    void setMarks(const QList<Mark> &marks);
    QString leftCaption() const { return m_leftCaption; }
    QString rightCaption() const { return m_rightCaption; }
    void setEndCaptions(const QString &left, const QString &right);
    // Small text in the middle of the face naming the quantity.
    QString legend() const { return m_legend; }
    void setLegend(const QString &legend);

    // Drawn at half brightness: the reading may be out of date.
    bool dimmed() const { return m_dimmed; }
    void setDimmed(bool dimmed);

    QSize sizeHint() const override { return {220, 150}; }
    QSize minimumSizeHint() const override { return {80, 56}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double angleFor(double position) const;

    int m_minimum = -50;
    int m_maximum = 50;
    int m_position = 0;
    QList<Mark> m_marks;
    QString m_leftCaption;
    QString m_rightCaption;
    QString m_legend;
    bool m_dimmed = false;
};

} // namespace korvel
