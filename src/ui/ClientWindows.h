#pragma once

#include "ui/WidgetScreen.h"

#include <memory>

namespace korvel
{

class AlarmWindow;
class LoginWindow;
class MainWindow;
class MessagesWindow;
class ToolWindow;
class TrafficLogWindow;

// The six windows of the client, created in their fixed order, and the screen over them.
class ClientWindows final
{
public:
    ClientWindows();
    ~ClientWindows();

    MainWindow &main() const { return *m_main; }
    LoginWindow &login() const { return *m_login; }
    TrafficLogWindow &trafficLog() const { return *m_trafficLog; }
    ToolWindow &tool() const { return *m_tool; }
    MessagesWindow &messages() const { return *m_messages; }
    AlarmWindow &alarm() const { return *m_alarm; }
    WidgetScreen &screen() { return m_screen; }

private:
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<LoginWindow> m_login;
    std::unique_ptr<TrafficLogWindow> m_trafficLog;
    std::unique_ptr<ToolWindow> m_tool;
    std::unique_ptr<MessagesWindow> m_messages;
    std::unique_ptr<AlarmWindow> m_alarm;
    WidgetScreen m_screen;
};

} // namespace korvel
