#pragma once

#include "core/DeviceList.h"

#include <QList>
#include <QStringList>

namespace korvel
{

class GroupBar;

// The device list on the group bar widget; the serial numbers are kept beside the items.
class GroupBarDeviceList final : public DeviceList
{
public:
    explicit GroupBarDeviceList(GroupBar &bar) : m_bar(bar) {}

    int groupCount() const override;
    QString groupCaption(int group) const override;
    int addGroup(const QString &caption) override;
    int itemCount(int group) const override;
    QString itemCaption(int group, int item) const override;
    int itemKind(int group, int item) const override;
    QString itemSerial(int group, int item) const override;
    void insertItem(int group, int position, const QString &caption, int kind,
                    const QString &serial) override;
    void setItemColour(int group, int item, Colour colour) override;
    void clearItems() override;

private:
    GroupBar &m_bar;
    QList<QStringList> m_serials;
};

} // namespace korvel
