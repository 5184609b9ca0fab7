#pragma once

#include "core/Screen.h"
#include "ui/widgets/DeviceImages.h"

#include <QScrollArea>
#include <QString>

#include <vector>

class QVBoxLayout;

namespace korvel
{

class GroupBarHeader;
class GroupBarItems;

// The device bar: a scrolling column of groups, each a caption band that folds it and a list of device
// items with a picture and a caption. Groups are only ever appended; items go anywhere in a group.
class GroupBar final : public QScrollArea
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
    // Removes every item of every group; the groups stay.
    void clearItems();

    const DeviceImages &images() const { return m_images; }

    // Where a person would click: the widgets that take the mouse for a group, and an item's row in
    // its group's item widget.
    QWidget *headerWidget(int group) const;
    QWidget *itemsWidget(int group) const;
    QRect itemRect(int group, int item) const;

Q_SIGNALS:
    void itemClicked(int group, int item);

private:
    struct Group {
        GroupBarHeader *header;
        GroupBarItems *items;
    };

    const Group *find(int group) const;

    DeviceImages m_images;
    QWidget *m_content;
    QVBoxLayout *m_column;
    std::vector<Group> m_groups;
};

} // namespace korvel
