#include "ui/GroupBarDeviceList.h"

#include "ui/widgets/GroupBar.h"

#include <algorithm>

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
    m_serials.emplace_back();
    const int group = m_bar.addGroup(caption);
    m_groups.insert(caption, std::min(m_groups.value(caption, group), group));
    return group;
}

int GroupBarDeviceList::findGroup(const QString &caption) const
{
    return m_groups.value(caption, -1);
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
    if (group < 0 || size_t(group) >= m_serials.size())
        return {};
    return m_serials[size_t(group)].rows.value(item);
}

void GroupBarDeviceList::insertItem(int group, int position, const QString &caption, int kind,
                                    const QString &serial)
{
    if (group < 0 || size_t(group) >= m_serials.size())
        return;
    m_bar.insertItem(group, position, caption, kind);
    Serials &s = m_serials[size_t(group)];
    const int count = int(s.rows.size());
    position = std::clamp(position, 0, count);
    if (m_alarmed.contains(serial))
        m_bar.setItemAlarm(group, position, true);
    s.rows.insert(position, serial);
    if (position == 0)
        m_stamps.insert({group, serial}, --s.top);
    else if (position == count)
        m_stamps.insert({group, serial}, s.top + count);
    else
        renumber(group);
}

void GroupBarDeviceList::renumber(int group)
{
    Serials &s = m_serials[size_t(group)];
    for (const QString &serial : s.rows)
        m_stamps.remove({group, serial});
    s.top = 0;
    qint64 stamp = 0;
    for (const QString &serial : s.rows)
        m_stamps.insert({group, serial}, stamp++);
}

QList<int> GroupBarDeviceList::itemsWithSerial(int group, const QString &serial) const
{
    QList<int> items;
    if (group < 0 || size_t(group) >= m_serials.size())
        return items;
    const qint64 top = m_serials[size_t(group)].top;
    const Key key{group, serial};
    for (auto it = m_stamps.constFind(key); it != m_stamps.cend() && it.key() == key; ++it)
        items.append(int(*it - top));
    std::sort(items.begin(), items.end());
    return items;
}

void GroupBarDeviceList::setItemColour(int group, int item, Colour colour)
{
    m_bar.setItemColour(group, item, colour);
}

void GroupBarDeviceList::setItemMarked(int group, int item, bool marked)
{
    m_bar.setItemMarked(group, item, marked);
}

void GroupBarDeviceList::setItemOffLine(int group, int item, bool offLine)
{
    m_bar.setItemOffLine(group, item, offLine);
}

void GroupBarDeviceList::setDeviceAlarm(const QString &serial, bool alarm)
{
    if (alarm)
        m_alarmed.insert(serial);
    else
        m_alarmed.remove(serial);
    for (int group = 0; group < groupCount(); ++group) {
        for (int item : itemsWithSerial(group, serial))
            m_bar.setItemAlarm(group, item, alarm);
    }
}

void GroupBarDeviceList::clearItems()
{
    m_bar.clearItems();
    for (Serials &serials : m_serials)
        serials = Serials();
    m_stamps.clear();
}

} // namespace korvel
