#include "ui/ClientWindows.h"

#include "ui/AlarmWindow.h"
#include "ui/LoginWindow.h"
#include "ui/MainWindow.h"
#include "ui/MessagesWindow.h"
#include "ui/ToolWindow.h"
#include "ui/TrafficLogWindow.h"

namespace korvel
{

ClientWindows::ClientWindows()
    : m_main(std::make_unique<MainWindow>()), m_login(std::make_unique<LoginWindow>()),
      m_trafficLog(std::make_unique<TrafficLogWindow>()), m_tool(std::make_unique<ToolWindow>()),
      m_messages(std::make_unique<MessagesWindow>()), m_alarm(std::make_unique<AlarmWindow>())
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_main.get(), m_login.get(), m_trafficLog.get(),
                                                       m_tool.get(), m_messages.get(), m_alarm.get()})
        m_screen.addWindow(w);
}

ClientWindows::~ClientWindows() = default;

} // namespace korvel
