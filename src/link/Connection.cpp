#include "link/Connection.h"

#include "core/Environment.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "link/Cp1254.h"
#include "link/Link.h"
#include "link/MessageFramer.h"
#include "link/ReplyText.h"

#include <QHostAddress>

namespace korvel
{

namespace
{
const QString connectButton = QStringLiteral("TFrmGiris.suiButton1");
const QString progressBar = QStringLiteral("TFrmGiris.RzProgressBar1");
const QString hostField = QStringLiteral("TFrmGiris.Servername");

bool isLoopback(const QString &host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}
} // namespace

Connection::Connection(Link &link, Screen &screen, Environment &environment, ClientState &state,
                       ServerAddress address, QObject *parent)
    : QObject(parent), m_link(link), m_screen(screen), m_environment(environment), m_state(state),
      m_address(std::move(address)),
      m_progressTimer(environment.makeTicker(QStringLiteral("TFrmGiris.Timer1"), 500, this)),
      m_keepAlive(environment.makeTicker(QStringLiteral("TFrmAna.TimerPing"), 60000, this)),
      m_port(m_address.defaultPort)
{
    connect(&m_link, &Link::connected, this, &Connection::onConnected);
    connect(&m_link, &Link::disconnected, this, &Connection::onDisconnected);
    connect(&m_link, &Link::errorOccurred, this, &Connection::onError);
    connect(m_progressTimer, &Ticker::ticked, this, &Connection::onProgressTick);
    connect(m_keepAlive, &Ticker::ticked, this, &Connection::onKeepAliveTick);
    m_keepAlive->start();
}

void Connection::send(const QString &message)
{
    if (!m_link.isConnected())
        return;
    m_link.write(cp1254::encode(message));
    Q_EMIT sent(message);
}

void Connection::loginWindowShown()
{
    m_screen.setCaption(hostField, m_address.defaultHost);
}

void Connection::setStatus(const QString &text)
{
    m_screen.setCaption(QStringLiteral("TFrmGiris.LABEL6"), text);
}

int Connection::progress() const
{
    return m_screen.position(progressBar);
}

void Connection::setProgress(int value)
{
    m_screen.setPosition(progressBar, value);
}

void Connection::connectClicked()
{
    // A connect that is already waiting for the link is the one that counts; a second press or a device
    // click must not start another.
    if (m_waiting)
        return;
    m_screen.setEnabled(connectButton, false);
    QString password = m_screen.caption(QStringLiteral("TFrmGiris.Edit4"));
    if (password.isEmpty())
        password = QStringLiteral(" ");
    const QString user = m_screen.caption(QStringLiteral("TFrmGiris.Edit1"));
    if (user.isEmpty()) {
        setStatus(QStringLiteral("   Kullanıcı Adı Girin"));
        return;
    }
    const QString typedHost = m_screen.caption(hostField);
    const QString host =
        typedHost.isEmpty() ? m_screen.caption(QStringLiteral("TFrmGiris.edit3")).trimmed() : typedHost;
    if (m_environment.internetAvailable()) {
        setStatus(QStringLiteral("   İnternet bağlantısı mevcut"));
    } else {
        setStatus(QStringLiteral("   İnternet bağlantısı yok"));
        // A server on this machine needs no Internet.
        if (!m_screen.isVisible(hostField) && !isLoopback(host))
            return;
    }
    setStatus(QStringLiteral("  Rivodov Bağlanıyor"));
    // The wait is measured from here: a bar left full by an earlier "pong" must not end it at once.
    setProgress(0);
    m_progressTimer->start();

    const auto port = parseInt32(m_screen.caption(QStringLiteral("TFrmGiris.edtport")));
    if (!port || *port <= 0 || *port > 65535 || host.isEmpty())
        return;
    m_port = quint16(*port);
    m_password = password;
    const QString previousUser = m_state.userName;
    m_state.userName = user;
    m_waiting = true;
    if (!m_link.open(host, m_port)) {
        m_waiting = false;
        m_state.userName = previousUser;
    }
}

void Connection::cancelClicked()
{
    // A cancel that left the wait running would refuse every further "Bağlan": end it and drop the
    // pending open, so the next press starts afresh.
    if (m_waiting) {
        m_waiting = false;
        m_link.abort();
    }
    setProgress(0);
    m_screen.setEnabled(connectButton, true);
    m_port = m_address.defaultPort;
    m_progressTimer->stop();
}

void Connection::closeClicked()
{
    setProgress(100);
    m_waiting = false;
    m_screen.closeWindow(QStringLiteral("TFrmGiris"));
    Q_EMIT closeRequested();
}

void Connection::alternativeHostKey()
{
    m_screen.setCaption(hostField, m_address.alternativeHost);
    m_screen.setVisible(hostField, true);
    m_screen.setVisible(QStringLiteral("TFrmGiris.edit3"), true);
}

void Connection::portKey()
{
    m_screen.setVisible(QStringLiteral("TFrmGiris.edtport"), true);
    m_screen.setVisible(QStringLiteral("TFrmGiris.Label2"), true);
}

void Connection::onProgressTick()
{
    setProgress(progress() + 3);
    // The link never came up: end the wait instead of waiting forever.
    if (m_waiting && progress() >= 100) {
        m_waiting = false;
        m_progressTimer->stop();
        m_link.abort();
        setStatus(QStringLiteral("   Sunucuya ulaşılamadı"));
    }
}

void Connection::onConnected()
{
    Q_EMIT linkUp();
    m_screen.closeWindow(QStringLiteral("TFrmGiris"));
    if (m_waiting)
        finishLogin();
}

void Connection::finishLogin()
{
    m_waiting = false;
    Q_EMIT aboutToLogin();
    send(MessageFramer::login(m_state.userName, m_password));
    m_screen.setCaption(QStringLiteral("TFrmAna"),
                        QStringLiteral("<<<<<<<") + m_state.userName + QStringLiteral(" Bağlı.>>>>>>>>>"));
    m_state.loggedIn = true;
}

void Connection::onDisconnected()
{
    m_screen.setCaption(QStringLiteral("LblMesaj"),
                        m_state.userName +
                            QStringLiteral(" kullanıcısının ana bilgisayarla bağlantısı kesildi"));
    m_state.loggedIn = false;
    Q_EMIT linkLost();
}

void Connection::onError()
{
    m_screen.setCaption(QStringLiteral("TFrmGiris.LABEL6.2"), QStringLiteral("Bağlantı Hatası"));
    m_screen.setCaption(QStringLiteral("LblMesaj"),
                        QStringLiteral("Bağlantı Hatası. Bağlantınızı kontrol edin."));
    m_state.loggedIn = false;
    Q_EMIT linkLost();
}

void Connection::onKeepAliveTick()
{
    send(MessageFramer::ping());
}

void Connection::handlePong(ReplyText &text)
{
    text.drop(5);
    m_screen.setCaption(QStringLiteral("LblMesaj"), QStringLiteral("Pong"));
    setProgress(100);
    setStatus(QStringLiteral("Bağlantı Kuruldu"));
}

} // namespace korvel
