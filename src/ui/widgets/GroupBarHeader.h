#pragma once

#include "core/Screen.h"

#include <QWidget>

namespace korvel
{

// The clickable caption band of one group of the group bar; a click folds or unfolds the group.
class GroupBarHeader final : public QWidget
{
    Q_OBJECT
public:
    GroupBarHeader(const QString &caption, Colour captionColour, QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString m_caption;
    Colour m_captionColour;
    bool m_expanded = true;
    bool m_pressed = false;
};

} // namespace korvel
