#include "ui/GroupBarDeviceList.h"

#include "ui/widgets/GroupBar.h"

namespace korvel
{

int GroupBarDeviceList::groupCount() const
{
    return m_bar.groupCount();
}

QString GroupBarDeviceList::groupCaption(int group) const
{
    return m_bar.groupCaption(group);
}

int GroupBarDeviceList::addGroup(const QString &caption)
{
    m_serials.append(QStringList());
    return m_bar.addGroup(caption);
}

int GroupBarDeviceList::itemCount(int group) const
{
    return m_bar.itemCount(group);
}

QString GroupBarDeviceList::itemCaption(int group, int item) const
{
    return m_bar.itemCaption(group, item);
}

int GroupBarDeviceList::itemKind(int group, int item) const
{
    return m_bar.itemImageIndex(group, item);
}

QString GroupBarDeviceList::itemSerial(int group, int item) const
{
    return group >= 0 && group < m_serials.size() ? m_serials[group].value(item) : QString();
}

void GroupBarDeviceList::insertItem(int group, int position, const QString &caption, int kind,
                                    const QString &serial)
{
    if (group < 0 || group >= m_serials.size())
        return;
    m_bar.insertItem(group, position, caption, kind);
    m_serials[group].insert(std::clamp<qsizetype>(position, 0, m_serials[group].size()), serial);
}

void GroupBarDeviceList::setItemColour(int group, int item, Colour colour)
{
    m_bar.setItemColour(group, item, colour);
}

void GroupBarDeviceList::clearItems()
{
    m_bar.clearItems();
    for (QStringList &serials : m_serials)
        serials.clear();
}

} // namespace korvel
