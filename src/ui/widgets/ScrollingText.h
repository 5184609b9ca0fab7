#pragma once

#include <QLabel>

class QTimer;

namespace korvel
{

// A text that scrolls from right to left, over and over, while it is shown. Its own timer only
// repaints it; a carriage return or a line feed starts a second line that scrolls with the first.
class ScrollingText final : public QLabel
{
    Q_OBJECT
public:
    explicit ScrollingText(QWidget *parent = nullptr);

    // Pixels the text has moved in from the right edge.
    int offset() const { return m_offset; }
    bool isScrolling() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void step();
    QStringList shownLines() const;

    QTimer *m_timer;
    int m_offset = 0;
};

} // namespace korvel
