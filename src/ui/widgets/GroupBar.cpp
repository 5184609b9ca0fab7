#include "ui/widgets/GroupBar.h"

#include "ui/widgets/GroupBarHeader.h"
#include "ui/widgets/GroupBarItems.h"

#include <QVBoxLayout>

namespace korvel
{

GroupBar::GroupBar(QWidget *parent)
    : QScrollArea(parent), m_content(new QWidget), m_column(new QVBoxLayout(m_content))
{
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(1);
    m_column->addStretch(1);
    m_content->setAutoFillBackground(true);
    QPalette pal = m_content->palette();
    pal.setColor(QPalette::Window, QColor(120, 126, 136));
    m_content->setPalette(pal);
    setWidget(m_content);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::StyledPanel);
}

GroupBar::~GroupBar() = default;

const GroupBar::Group *GroupBar::find(int group) const
{
    return group >= 0 && group < groupCount() ? &m_groups[size_t(group)] : nullptr;
}

int GroupBar::addGroup(const QString &caption)
{
    const int index = groupCount();
    auto *header = new GroupBarHeader(caption, captionColour, m_content);
    auto *items = new GroupBarItems(m_images, groupColour, m_content);
    // Before the stretch that keeps the groups packed at the top.
    m_column->insertWidget(m_column->count() - 1, header);
    m_column->insertWidget(m_column->count() - 1, items);
    m_groups.push_back({header, items});
    connect(header, &GroupBarHeader::clicked, this,
            [this, index] { setGroupExpanded(index, !isGroupExpanded(index)); });
    connect(items, &GroupBarItems::itemClicked, this,
            [this, index](int item) { Q_EMIT itemClicked(index, item); });
    return index;
}

QString GroupBar::groupCaption(int group) const
{
    const Group *g = find(group);
    return g ? g->header->caption() : QString();
}

bool GroupBar::isGroupExpanded(int group) const
{
    const Group *g = find(group);
    return g && g->header->isExpanded();
}

void GroupBar::setGroupExpanded(int group, bool expanded)
{
    const Group *g = find(group);
    if (!g)
        return;
    g->header->setExpanded(expanded);
    g->items->setVisible(expanded);
}

void GroupBar::insertItem(int group, int position, const QString &caption, int imageIndex)
{
    if (const Group *g = find(group))
        g->items->insert(position, caption, imageIndex);
}

int GroupBar::itemCount(int group) const
{
    const Group *g = find(group);
    return g ? g->items->count() : 0;
}

QString GroupBar::itemCaption(int group, int item) const
{
    const Group *g = find(group);
    return g ? g->items->caption(item) : QString();
}

int GroupBar::itemImageIndex(int group, int item) const
{
    const Group *g = find(group);
    return g ? g->items->imageIndex(item) : -1;
}

Colour GroupBar::itemColour(int group, int item) const
{
    const Group *g = find(group);
    if (g) {
        if (const std::optional<Colour> c = g->items->colour(item))
            return *c;
    }
    return palette().color(QPalette::WindowText).rgb() & 0xFFFFFF;
}

void GroupBar::setItemColour(int group, int item, Colour colour)
{
    if (const Group *g = find(group))
        g->items->setColour(item, colour);
}

void GroupBar::clearItems()
{
    for (const Group &g : m_groups)
        g.items->clear();
}

QWidget *GroupBar::headerWidget(int group) const
{
    const Group *g = find(group);
    return g ? g->header : nullptr;
}

QWidget *GroupBar::itemsWidget(int group) const
{
    const Group *g = find(group);
    return g ? g->items : nullptr;
}

QRect GroupBar::itemRect(int group, int item) const
{
    const Group *g = find(group);
    return g ? g->items->itemRect(item) : QRect();
}

} // namespace korvel
