#pragma once

#include "core/Screen.h"

#include <QList>
#include <QString>

namespace korvel
{

// The device list of the group bar as the view logic sees it: groups in bar order, each with its
// device items. An item keeps the serial number it was created with, apart from its caption.
class DeviceList
{
public:
    virtual ~DeviceList() = default;

    virtual int groupCount() const = 0;
    virtual QString groupCaption(int group) const = 0;
    // Appends a group at the end of the bar; returns its index.
    virtual int addGroup(const QString &caption) = 0;
    // The first group with this caption, or -1; as fast with twenty thousand groups as with two.
    virtual int findGroup(const QString &caption) const = 0;

    virtual int itemCount(int group) const = 0;
    virtual QString itemCaption(int group, int item) const = 0;
    virtual int itemKind(int group, int item) const = 0;
    virtual QString itemSerial(int group, int item) const = 0;
    virtual void insertItem(int group, int position, const QString &caption, int kind,
                            const QString &serial) = 0;
    // The items of the group created with this serial number, in order; a lookup, not a walk through
    // the group.
    virtual QList<int> itemsWithSerial(int group, const QString &serial) const = 0;
    virtual void setItemColour(int group, int item, Colour colour) = 0;
    // The mark of the selected item, which no colouring removes.
    virtual void setItemMarked(int group, int item, bool marked) = 0;
    // An item whose device is not on line looks so, whatever its colour.
    virtual void setItemOffLine(int group, int item, bool offLine) = 0;
    // The alarm mark of every item of this serial number, in every group, also of items that arrive
    // later with a new list, until it is taken off.
    virtual void setDeviceAlarm(const QString &serial, bool alarm) = 0;
    // Removes every item of every group; the groups stay.
    virtual void clearItems() = 0;
};

} // namespace korvel
