#pragma once

#include <QString>

namespace korvel
{

class DeviceList;
class ReplyText;
class Screen;

// Builds the device list from the "cihazlar" replies that follow a login: one group per upper-cased
// group name, each new device on top of its group.
class DeviceDirectory final
{
public:
    DeviceDirectory(DeviceList &list, Screen &screen) : m_list(list), m_screen(screen) {}

    void handleDevice(ReplyText &text);

private:
    int groupFor(const QString &caption);

    DeviceList &m_list;
    Screen &m_screen;
};

} // namespace korvel
