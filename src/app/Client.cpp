#include "app/Client.h"

#include "core/Environment.h"
#include "directory/DeviceDirectory.h"
#include "directory/DeviceSelection.h"
#include "directory/UserRights.h"
#include "link/ReplyReceiver.h"
#include "ui/ClientWindows.h"
#include "ui/GroupBarDeviceList.h"
#include "ui/LoginWindow.h"
#include "ui/MainWindow.h"
#include "ui/ToolWindow.h"
#include "ui/widgets/GroupBar.h"
#include "values/DataReplies.h"
#include "values/ValueRenderer.h"

#include <QAction>
#include <QDateEdit>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

namespace korvel
{

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
    connect(m_connection.get(), &Connection::aboutToLogin, this, [this] { m_deviceList->clearItems(); });
    connect(m_connection.get(), &Connection::closeRequested, &main, &QWidget::close);
    if (QAction *log = main.findChild<QAction *>(QStringLiteral("Haberlesme1")))
        connect(log, &QAction::triggered, this,
                [this] { m_windows->screen().showWindow(QStringLiteral("TFrmhaberlesme")); });
    if (QAction *tool = main.findChild<QAction *>(QStringLiteral("Veri1")))
        connect(tool, &QAction::triggered, this,
                [this] { m_windows->screen().showWindow(QStringLiteral("TVD1KAL")); });
    wireLoginWindow();
    wireDirectory();
    wireValues();
}

Client::~Client() = default;

void Client::wireValues()
{
    Screen &screen = m_windows->screen();
    MainWindow &main = m_windows->main();
    m_dataReplies =
        std::make_unique<DataReplies>(screen, m_state, valueTable(), *m_deviceList, *m_connection);
    m_renderer = std::make_unique<ValueRenderer>(screen, m_environment, m_state, valueTable());
    DataReplies *replies = m_dataReplies.get();
    m_dispatcher.setHandler(u"enerjial", [replies](ReplyText &t) { replies->handleRegisterDump(t); });
    m_dispatcher.setHandler(u"akimdegerleri", [replies](ReplyText &t) { replies->handleRelayCurrents(t); });
    m_dispatcher.setHandler(u"cihazenerji", [replies](ReplyText &t) { replies->handleValueRecords(t); });
    const struct {
        const char *button;
        void (DataReplies::*request)();
    } requests[] = {{"VrShadowButton8", &DataReplies::requestConsumption},
                    {"BitBtn2", &DataReplies::requestCapacitorStates}};
    for (const auto &r : requests) {
        if (auto *button = main.findChild<QPushButton *>(QString::fromLatin1(r.button)))
            connect(button, &QPushButton::clicked, replies, r.request);
    }
}

DeviceValueTable &Client::valueTable()
{
    return m_windows->tool().valueTable();
}

void Client::wireDirectory()
{
    Screen &screen = m_windows->screen();
    MainWindow &main = m_windows->main();
    m_deviceList = std::make_unique<GroupBarDeviceList>(*main.groupBar());
    m_directory = std::make_unique<DeviceDirectory>(*m_deviceList, screen);
    m_rights = std::make_unique<UserRights>(screen);
    m_selection = std::make_unique<DeviceSelection>(*m_deviceList, screen, m_environment, m_state,
                                                    valueTable(), *m_connection);
    m_dispatcher.setHandler(u"cihazlar", [this](ReplyText &t) { m_directory->handleDevice(t); });
    m_dispatcher.setHandler(u"haklar", [this](ReplyText &t) { m_rights->handleViewRights(t); });
    m_dispatcher.setHandler(u"tblhaklar", [this](ReplyText &t) { m_rights->handleCommandRights(t); });
    m_dispatcher.setHandler(u"Hattayok", [this](ReplyText &t) { m_selection->handleOffLine(t); });
    connect(m_receiver.get(), &ReplyReceiver::chunkStarted, this, [this] { m_rights->beginChunk(); });
    connect(main.groupBar(), &GroupBar::itemClicked, m_selection.get(), &DeviceSelection::itemClicked);
    for (const char *field : {"Edit111", "Edit5"}) {
        if (auto *edit = main.findChild<QLineEdit *>(QString::fromLatin1(field)))
            connect(edit, &QLineEdit::textChanged, m_selection.get(),
                    &DeviceSelection::activeDeviceTextChanged);
    }
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
    MainWindow &main = m_windows->main();
    const struct {
        const char *name;
        int daysBack;
    } pickers[] = {
        {"DateTimePicker1", 7}, {"DateTimePicker2", 0}, {"dtsycilktarih", 7}, {"dtsycsontarih", 0}};
    for (const auto &p : pickers) {
        if (auto *picker = main.findChild<QDateEdit *>(QString::fromUtf8(p.name)))
            picker->setDate(today.addDays(-p.daysBack));
    }
    Screen &screen = m_windows->screen();
    screen.setTabShown(2, false);
    screen.setActivePage(0);
}

} // namespace korvel
