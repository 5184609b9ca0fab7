#pragma once

#include "core/Screen.h"
#include "ui/widgets/DeviceImages.h"

#include <QAbstractScrollArea>
#include <QString>

#include <QList>
#include <optional>
#include <vector>

namespace korvel
{

// The device bar: a scrolling column of groups, each a caption band that folds it and a list of device
// items with a picture and a caption. Groups are only ever appended; items go anywhere in a group.
//
// The whole bar is one painted view, not a widget per group: adding a group costs the same however
// many the bar holds, and the positions of the groups are worked out once per turn of the event loop,
// from the first group that changed on. A paint draws only the groups on screen, found by a binary
// search, so a bar of twenty thousand groups draws as fast as one of two.
class GroupBar final : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // The look of every group: captions in silver on a dark band, items on cream.
    static constexpr Colour groupColour = rgb(255, 251, 240);
    static constexpr Colour captionColour = colours::silver;

    explicit GroupBar(QWidget *parent = nullptr);
    ~GroupBar() override;

    int addGroup(const QString &caption);
    int groupCount() const { return int(m_groups.size()); }
    QString groupCaption(int group) const;
    bool isGroupExpanded(int group) const;
    void setGroupExpanded(int group, bool expanded);

    // position is held to 0..itemCount(group); an unknown group is ignored.
    void insertItem(int group, int position, const QString &caption, int imageIndex);
    int itemCount(int group) const;
    QString itemCaption(int group, int item) const;
    int itemImageIndex(int group, int item) const;
    // An item never coloured reports the bar's text colour, the colour it is drawn in.
    Colour itemColour(int group, int item) const;
    void setItemColour(int group, int item, Colour colour);
    // The selected item carries a mark behind its caption that no colouring removes.
    static constexpr Colour markColour = rgb(198, 222, 245);
    bool isItemMarked(int group, int item) const;
    void setItemMarked(int group, int item, bool marked);
    // An item whose device is not on line is drawn grey, whatever its colour, with a tooltip saying so.
    static constexpr Colour offLineColour = rgb(128, 128, 128);
    bool isItemOffLine(int group, int item) const;
    void setItemOffLine(int group, int item, bool offLine);
    // The alarm mark, a red badge at the row's right end, apart from the caption's colour.
    bool itemAlarm(int group, int item) const;
    void setItemAlarm(int group, int item, bool alarm);
    // Removes every item of every group; the groups stay.
    void clearItems();

    // Where a person would click, in the coordinates of viewport(), as the bar is scrolled now: a
    // group's caption band and an item's row; empty for an unknown one or the items of a folded group.
    QRect headerRect(int group) const;
    QRect itemRect(int group, int item) const;
    // Scrolls the least needed to show the item's row whole.
    void ensureItemVisible(int group, int item);
    // The whole caption of the item at a viewport point when its row shows it cut short, and "Hatta
    // değil" for an item off line; empty otherwise.
    QString toolTipAt(QPoint point) const;

    const DeviceImages &images() const { return m_images; }

Q_SIGNALS:
    void itemClicked(int group, int item);

protected:
    bool viewportEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Item {
        QString caption;
        int imageIndex;
        std::optional<Colour> colour;
        bool marked = false;
        bool offLine = false;
        bool alarm = false;
    };
    struct Group {
        QString caption;
        bool expanded = true;
        // Qt's list keeps room at its front as it grows there: an item on top costs the same in a group
        // of a hundred thousand, and a group of one item costs one small block.
        QList<Item> items;
    };
    // What lies under a point: a caption band (item -1), an item row, or nothing (group -1).
    struct Spot {
        int group = -1;
        int item = -1;
        bool operator==(const Spot &) const = default;
    };

    const Group *find(int group) const;
    const Item *findItem(int group, int item) const;
    // Repaints an item's row when it is on screen.
    void updateItem(int group, int item);
    int headerHeight() const;
    int rowHeight() const;
    int groupHeight(const Group &group) const;
    // Content y of the group's caption band; the tops are brought up to date first.
    qint64 groupTop(int group) const;
    void refreshTops() const;
    // Marks the tops from this group's successor on as stale and asks for one refresh this turn.
    void changed(int group);
    void relayout();
    // Content rectangles (y from the top of the whole column) and their viewport counterparts.
    QRect toViewport(qint64 top, int height) const;
    QRect contentHeader(int group) const;
    QRect contentItem(int group, int item) const;
    Spot spotAt(QPoint point) const;
    QRect spotRect(Spot spot) const;
    void setHovered(Spot spot);
    void paintHeader(QPainter &p, const QRect &band, const Group &group) const;

    DeviceImages m_images;
    std::vector<Group> m_groups;
    // m_tops[g] is the content y of group g for g < m_validTops; one more entry ends the column.
    mutable std::vector<qint64> m_tops{0};
    mutable int m_validTops = 1;
    bool m_relayoutPending = false;
    Spot m_pressed;
    Spot m_hovered;
};

} // namespace korvel
