#include "app/Client.h"

#include "core/Environment.h"
#include "link/ReplyReceiver.h"
#include "ui/ClientWindows.h"
#include "ui/LoginWindow.h"
#include "ui/MainWindow.h"
#include "ui/widgets/GroupBar.h"

#include <QAction>
#include <QDateEdit>
#include <QLocale>

namespace korvel {

Client::Client(Environment &environment, Link &link, ServerAddress address, QObject *parent)
    : QObject(parent), m_environment(environment), m_windows(std::make_unique<ClientWindows>())
{
    Screen &screen = m_windows->screen();
    m_connection = std::make_unique<Connection>(link, screen, environment, m_state, std::move(address));
    m_receiver = std::make_unique<ReplyReceiver>(link, m_dispatcher, screen, environment);
    m_dispatcher.setHandler(u"pong", [this](ReplyText &text) { m_connection->handlePong(text); });

    MainWindow &main = m_windows->main();
    connect(&main, &MainWindow::shown, this, &Client::onMainWindowShown);
    connect(&main, &MainWindow::closed, this, &Client::finished);
    connect(m_connection.get(), &Connection::linkUp, &main, &MainWindow::useConnectedTrayMenu);
    connect(m_connection.get(), &Connection::aboutToLogin, main.groupBar(), &GroupBar::clearItems);
    connect(m_connection.get(), &Connection::closeRequested, &main, &QWidget::close);
    if (QAction *log = main.findChild<QAction *>(QStringLiteral("Haberlesme1")))
        connect(log, &QAction::triggered, this, [this] { m_windows->screen().showWindow(QStringLiteral("TFrmhaberlesme")); });
    if (QAction *tool = main.findChild<QAction *>(QStringLiteral("Veri1")))
        connect(tool, &QAction::triggered, this, [this] { m_windows->screen().showWindow(QStringLiteral("TVD1KAL")); });
    wireLoginWindow();
}

Client::~Client() = default;

void Client::wireLoginWindow()
{
    LoginWindow &login = m_windows->login();
    Connection *c = m_connection.get();
    connect(&login, &LoginWindow::shown, c, &Connection::loginWindowShown);
    connect(&login, &LoginWindow::connectClicked, c, &Connection::connectClicked);
    connect(&login, &LoginWindow::cancelClicked, c, &Connection::cancelClicked);
    connect(&login, &LoginWindow::closeClicked, c, &Connection::closeClicked);
    connect(&login, &LoginWindow::alternativeHostKey, c, &Connection::alternativeHostKey);
    connect(&login, &LoginWindow::portKey, c, &Connection::portKey);
    connect(&login, &QDialog::finished, this, &Client::onLoginWindowClosed);
}

void Client::start() { m_windows->main().show(); }

void Client::onMainWindowShown()
{
    m_state.decimalSeparator = QLocale().decimalPoint().at(0);
    // Modal, but not blocking: the rest of the show runs when the login window closes.
    m_windows->login().open();
}

void Client::onLoginWindowClosed()
{
    const QDate today = m_environment.now().date();
    MainWindow &main = m_windows->main();
    const struct {
        const char *name;
        int daysBack;
    } pickers[] = {{"DateTimePicker1", 7}, {"DateTimePicker2", 0}, {"dtsycilktarih", 7}, {"dtsycsontarih", 0}};
    for (const auto &p : pickers) {
        if (auto *picker = main.findChild<QDateEdit *>(QString::fromUtf8(p.name)))
            picker->setDate(today.addDays(-p.daysBack));
    }
    Screen &screen = m_windows->screen();
    screen.setTabShown(2, false);
    screen.setActivePage(0);
}

} // namespace korvel
