#pragma once

#include "core/Screen.h"

#include <QString>
#include <QWidget>

#include <deque>
#include <optional>

namespace korvel
{

class DeviceImages;

// The item rows of one group of the group bar. The rows are painted, not widgets, so a group of a
// thousand devices costs one widget. Items are stored in a deque: new devices arrive on top, and an
// insert there costs the same whatever the group already holds.
class GroupBarItems final : public QWidget
{
    Q_OBJECT
public:
    GroupBarItems(const DeviceImages &images, Colour background, QWidget *parent = nullptr);

    int count() const { return int(m_items.size()); }
    // position is held to 0..count().
    void insert(int position, const QString &caption, int imageIndex);
    void clear();

    QString caption(int item) const;
    int imageIndex(int item) const;
    // The font colour set for the item, or none while it uses the default text colour.
    std::optional<Colour> colour(int item) const;
    void setColour(int item, Colour colour);

    int rowHeight() const;
    QRect itemRect(int item) const;
    int itemAt(QPoint point) const;
    // The whole caption of the item at point when its row shows it cut short; empty otherwise.
    QString toolTipAt(QPoint point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void itemClicked(int item);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    struct Item {
        QString caption;
        int imageIndex;
        std::optional<Colour> colour;
    };

    bool valid(int item) const { return item >= 0 && item < count(); }
    QRect textRect(int item) const;
    void setHovered(int item);

    const DeviceImages &m_images;
    Colour m_background;
    std::deque<Item> m_items;
    int m_pressed = -1;
    int m_hovered = -1;
};

} // namespace korvel
