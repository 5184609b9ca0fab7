#pragma once

#include "core/DeviceList.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <utility>
#include <vector>

namespace korvel
{

class GroupBar;

// The device list on the group bar widget; the serial numbers are kept beside the items, with an index
// from caption to group and, per group, from serial number to items.
class GroupBarDeviceList final : public DeviceList
{
public:
    explicit GroupBarDeviceList(GroupBar &bar) : m_bar(bar) {}

    int groupCount() const override;
    QString groupCaption(int group) const override;
    int addGroup(const QString &caption) override;
    int findGroup(const QString &caption) const override;
    int itemCount(int group) const override;
    QString itemCaption(int group, int item) const override;
    int itemKind(int group, int item) const override;
    QString itemSerial(int group, int item) const override;
    void insertItem(int group, int position, const QString &caption, int kind,
                    const QString &serial) override;
    QList<int> itemsWithSerial(int group, const QString &serial) const override;
    void setItemColour(int group, int item, Colour colour) override;
    void setItemMarked(int group, int item, bool marked) override;
    void setItemOffLine(int group, int item, bool offLine) override;
    void setDeviceAlarm(const QString &serial, bool alarm) override;
    void clearItems() override;

private:
    // Each item has a stamp: row = stamp - top of its group. Items arrive at the top or the bottom of a
    // group, which moves top or adds a stamp past the end and leaves every other stamp as it was; an
    // insert in the middle renumbers the group. One index for all groups: an empty group costs nothing.
    struct Serials {
        QList<QString> rows;
        qint64 top = 0;
    };
    using Key = std::pair<int, QString>;

    void renumber(int group);

    GroupBar &m_bar;
    std::vector<Serials> m_serials;
    QMultiHash<Key, qint64> m_stamps;
    QHash<QString, int> m_groups;
    QSet<QString> m_alarmed;
};

} // namespace korvel
