#include "app/Client.h"

#include "alerts/Install.h"
#include "control/Install.h"
#include "core/ClientParts.h"
#include "core/Environment.h"
#include "directory/DeviceKind.h"
#include "directory/DeviceSelection.h"
#include "directory/Install.h"
#include "fleet/Install.h"
#include "history/HistoryStore.h"
#include "history/Install.h"
#include "history/StoredAlarms.h"
#include "link/ReplyReceiver.h"
#include "metering/Install.h"
#include "tool/Install.h"
#include "tool/SystemSerialPort.h"
#include "ui/AboutDialog.h"
#include "ui/ClientWindows.h"
#include "ui/EventsWindow.h"
#include "ui/FleetWindow.h"
#include "ui/GroupBarDeviceList.h"
#include "ui/LoginWindow.h"
#include "ui/MainWindow.h"
#include "ui/ToolWindow.h"
#include "ui/TrendWindow.h"
#include "ui/widgets/GroupBar.h"
#include "values/Install.h"
#include "values/ValueRenderer.h"

#include <QDateEdit>
#include <QLocale>

namespace korvel
{

Client::Client(Environment &environment, Link &link, ServerAddress address, QObject *parent)
    : Client(environment, link, std::make_unique<SystemSerialPort>(QStringLiteral("COM5")), nullptr,
             std::move(address), parent)
{
}

Client::Client(Environment &environment, Link &link, SerialPort &serialPort, ServerAddress address,
               QObject *parent)
    : Client(environment, link, nullptr, &serialPort, std::move(address), parent)
{
}

Client::Client(Environment &environment, Link &link, std::unique_ptr<SerialPort> ownSerialPort,
               SerialPort *serialPort, ServerAddress address, QObject *parent)
    : QObject(parent), m_environment(environment), m_ownSerialPort(std::move(ownSerialPort)),
      m_serialPort(serialPort ? *serialPort : *m_ownSerialPort), m_windows(std::make_unique<ClientWindows>())
{
    Screen &screen = m_windows->screen();
    m_connection = std::make_unique<Connection>(link, screen, environment, m_state, std::move(address));
    m_receiver = std::make_unique<ReplyReceiver>(link, m_dispatcher, screen, environment);
    m_deviceList = std::make_unique<GroupBarDeviceList>(*m_windows->main().groupBar());
    m_dispatcher.setHandler(u"pong", [this](ReplyText &text) { m_connection->handlePong(text); });
    connect(m_connection.get(), &Connection::sent, &m_ledger,
            [this](const QString &message) { m_ledger.noteSent(message, m_environment.now()); });
    connect(m_connection.get(), &Connection::linkLost, &m_ledger, &RequestLedger::forgetRequests);
    connect(m_connection.get(), &Connection::loggedOut, &m_ledger, &RequestLedger::forgetRequests);
    wireMainWindow();
    wireLoginWindow();
    AboutDialog::install(*m_windows, environment, link);
    installSubsystems();
}

Client::~Client() = default;

// Each subsystem wires its own handlers, requests and controls; the order is the order of their
// dependencies.
void Client::installSubsystems()
{
    ClientParts parts{*this,       m_windows->screen(), m_environment, m_state,      m_dispatcher,
                      *m_receiver, *m_connection,       m_ledger,      valueTable(), *m_deviceList};
    directory::install(parts);
    values::install(parts);
    metering::install(parts);
    control::install(parts);
    alerts::install(parts);
    tool::install(parts, m_serialPort);
    history::HistoryStore *store = history::install(parts);
    history::StoredAlarms::install(parts, store);
    installTrends(parts, m_windows->main());
    EventsWindow::install(*m_windows, store, m_state, m_environment);
    FleetWindow::install(*m_windows, *fleet::install(parts, store), store ? store->file() : QString(),
                         parts.environment);
    m_selection = parts.selection;
    m_renderer = parts.renderer;
    connect(m_windows->main().groupBar(), &GroupBar::itemClicked, m_selection, &DeviceSelection::itemClicked);
}

DeviceValueTable &Client::valueTable()
{
    return m_windows->tool().valueTable();
}

void Client::wireMainWindow()
{
    MainWindow &main = m_windows->main();
    Screen &screen = m_windows->screen();
    connect(&main, &MainWindow::shown, this, &Client::onMainWindowShown);
    connect(&main, &MainWindow::closed, this, &Client::finished);
    connect(m_connection.get(), &Connection::linkUp, &main, &MainWindow::useConnectedTrayMenu);
    connect(m_connection.get(), &Connection::aboutToLogin, this, [this] { m_deviceList->clearItems(); });
    connect(m_connection.get(), &Connection::closeRequested, &main, &QWidget::close);
    screen.onClick(QStringLiteral("OturumuKapat1"), this, [this] {
        m_connection->logOut();
        m_deviceList->clearItems();
    });
    screen.onClick(QStringLiteral("Haberlesme1"), this,
                   [&screen] { screen.showWindow(QStringLiteral("TFrmhaberlesme")); });
    screen.onClick(QStringLiteral("Veri1"), this,
                   [&screen] { screen.showWindow(QStringLiteral("TVD1KAL")); });
}

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

void Client::start()
{
    m_windows->main().show();
}

void Client::onMainWindowShown()
{
    m_state.decimalSeparator = QLocale().decimalPoint().at(0);
    // Modal, but not blocking: the rest of the show runs when the login window closes.
    m_windows->login().open();
}

void Client::onLoginWindowClosed()
{
    const QDate today = m_environment.now().date();
    const struct {
        const char *name;
        int daysBack;
    } pickers[] = {
        {"DateTimePicker1", 7}, {"DateTimePicker2", 0}, {"dtsycilktarih", 7}, {"dtsycsontarih", 0}};
    for (const auto &p : pickers) {
        m_windows->screen().withControl(QString::fromUtf8(p.name),
                                        [date = today.addDays(-p.daysBack)](QObject *o) {
                                            if (auto *picker = qobject_cast<QDateEdit *>(o))
                                                picker->setDate(date);
                                        });
    }
    Screen &screen = m_windows->screen();
    screen.setTabShown(2, false);
    screen.setActivePage(0);
    // The relay's layout is gone with its tab: the next click on the relay lays its views out again.
    if (m_state.lastDeviceKind == DeviceKind::overcurrentRelay)
        m_state.lastDeviceKind = DeviceKind::other;
}

} // namespace korvel
