#include "ui/ClientWindows.h"

#include "ui/AlarmWindow.h"
#include "ui/LoginWindow.h"
#include "ui/MainWindow.h"
#include "ui/MessagesWindow.h"
#include "ui/ToolWindow.h"
#include "ui/TrafficLogWindow.h"

#include <QEvent>
#include <QTimer>

namespace korvel
{

namespace
{
// Completes the main window once the login window has been painted, when the event loop is next idle:
// the user sees the windows first, and the rest is built while they type.
class AfterFirstPaint final : public QObject
{
public:
    AfterFirstPaint(QWidget *watched, MainWindow *main) : QObject(watched), m_main(main)
    {
        watched->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, m_main, &MainWindow::completePages);
        }
        return false;
    }

private:
    MainWindow *m_main;
};
} // namespace

ClientWindows::ClientWindows()
    : m_main(std::make_unique<MainWindow>()), m_login(std::make_unique<LoginWindow>()),
      m_trafficLog(std::make_unique<TrafficLogWindow>()), m_tool(std::make_unique<ToolWindow>()),
      m_messages(std::make_unique<MessagesWindow>()), m_alarm(std::make_unique<AlarmWindow>())
{
    MainWindow *main = m_main.get();
    m_screen.addWindow(main, [main] { main->completePages(); });
    for (QWidget *w : std::initializer_list<QWidget *>{m_login.get(), m_trafficLog.get(), m_tool.get(),
                                                       m_messages.get(), m_alarm.get()})
        m_screen.addWindow(w);
    // However the pages get built (a tab chosen, the idle step), handlers waiting for them are wired.
    QObject::connect(main, &MainWindow::pagesCompleted, main,
                     [this, main] { m_screen.completeWindow(main->objectName()); });
    new AfterFirstPaint(m_login.get(), main);
}

ClientWindows::~ClientWindows() = default;

} // namespace korvel
