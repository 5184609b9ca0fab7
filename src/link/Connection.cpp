#include "link/Connection.h"

#include "core/Environment.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "link/CertificatePins.h"
#include "link/Cp1254.h"
#include "link/Link.h"
#include "link/MessageFramer.h"
#include "link/ReplyText.h"

#include <QHostAddress>

#include <algorithm>
#include <utility>

namespace korvel
{

namespace
{
const QString connectButton = QStringLiteral("TFrmGiris.suiButton1");
const QString progressBar = QStringLiteral("TFrmGiris.RzProgressBar1");
const QString hostField = QStringLiteral("TFrmGiris.Servername");
const QString portField = QStringLiteral("TFrmGiris.edtport");
const QString userField = QStringLiteral("TFrmGiris.Edit1");
const QString passwordField = QStringLiteral("TFrmGiris.Edit4");
const QString loginWindow = QStringLiteral("TFrmGiris");
const QString mainWindow = QStringLiteral("TFrmAna");
const QString messageLabel = QStringLiteral("LblMesaj");
const QString reconnectEntry = QStringLiteral("OtomatikYenidenBaglan1");
const QString tlsBox = QStringLiteral("TFrmGiris.chkTls");
const QString forgetPinButton = QStringLiteral("TFrmGiris.btnSertifikaSil");
const QString securePanel = QStringLiteral("TFrmGiris.LABEL6.1");

// Keys of what is remembered between runs.
const QString settingUser = QStringLiteral("giris/kullanici");
const QString settingHost = QStringLiteral("giris/sunucu");
const QString settingPort = QStringLiteral("giris/port");
const QString settingReconnect = QStringLiteral("giris/otomatikYenidenBaglan");
const QString settingTls = QStringLiteral("giris/tls");

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
      m_address(std::move(address)), m_pins(environment, m_address.authorityFile),
      m_progressTimer(environment.makeTicker(QStringLiteral("TFrmGiris.Timer1"), 500, this)),
      m_keepAlive(environment.makeTicker(QStringLiteral("TFrmAna.TimerPing"), 60000, this)),
      m_loginReplyTimer(environment.makeTicker(QStringLiteral("TFrmAna.TimerCevap"), loginReplyMs, this)),
      m_pongTimer(environment.makeTicker(QStringLiteral("TFrmAna.TimerPong"), pongMs, this)),
      m_reconnectTimer(environment.makeTicker(QStringLiteral("TFrmAna.TimerReconnect"), 1000, this)),
      m_stableTimer(environment.makeTicker(QStringLiteral("TFrmAna.TimerKararli"), stableMs, this)),
      m_initialTitle(screen.caption(mainWindow)), m_port(m_address.defaultPort)
{
    connect(&m_link, &Link::connected, this, &Connection::onConnected);
    connect(&m_link, &Link::disconnected, this, &Connection::onDisconnected);
    connect(&m_link, &Link::errorOccurred, this, &Connection::onError);
    connect(&m_link, &Link::handshakeFailed, this, &Connection::onHandshakeFailed);
    m_link.setCertificateJudge([this](const CertificateCheck &check) { return judgeCertificate(check); });
    connect(m_progressTimer, &Ticker::ticked, this, &Connection::onProgressTick);
    connect(m_keepAlive, &Ticker::ticked, this, &Connection::onKeepAliveTick);
    connect(m_loginReplyTimer, &Ticker::ticked, this, &Connection::onSilence);
    connect(m_pongTimer, &Ticker::ticked, this, &Connection::onSilence);
    connect(m_reconnectTimer, &Ticker::ticked, this, &Connection::onReconnectTick);
    connect(m_stableTimer, &Ticker::ticked, this, [this] {
        m_stableTimer->stop();
        m_reconnectDelayS = 1;
    });
    m_keepAlive->start();
    m_screen.setChecked(reconnectEntry, m_environment.setting(settingReconnect) != QLatin1String("0"));
    m_screen.onChange(reconnectEntry, this, [this] { autoReconnectChanged(); });
    m_screen.onClick(forgetPinButton, this, [this] { forgetPinClicked(); });
}

void Connection::send(const QString &message)
{
    if (!m_link.isConnected())
        return;
    m_link.write(cp1254::encode(message));
    Q_EMIT sent(message);
}

bool Connection::isLinkUp() const
{
    return m_link.isConnected();
}

void Connection::loginWindowShown()
{
    // Shown again after a refused login, the window keeps what the user typed.
    if (std::exchange(m_loginWindowShownBefore, true))
        return;
    QString host = m_address.defaultHost;
    if (const QString remembered = m_environment.setting(settingHost);
        !m_address.hostGiven && !remembered.isEmpty())
        host = remembered;
    m_screen.setCaption(hostField, host);
    // A server other than the usual one is shown, so that nobody logs in to it unawares.
    if (host != m_address.defaultHost)
        m_screen.setVisible(hostField, true);
    const bool tls =
        m_address.tls || (!m_address.hostGiven && m_environment.setting(settingTls) == QLatin1String("1"));
    m_screen.setChecked(tlsBox, tls);
    // Like another server, TLS is shown, so that nobody wonders why a plain server does not answer.
    if (tls)
        showServerFields();
    const auto port = parseInt32(m_environment.setting(settingPort));
    if (port && *port > 0 && *port <= 65535 && *port != m_address.defaultPort) {
        m_screen.setCaption(portField, QString::number(*port));
        portKey();
    }
    if (const QString user = m_environment.setting(settingUser); !user.isEmpty()) {
        m_screen.setCaption(userField, user);
        m_screen.setFocus(passwordField);
    }
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
    // A device click while a reconnect is due makes it now.
    if (m_reconnectTimer->isActive()) {
        reconnectNow();
        return;
    }
    m_screen.setEnabled(connectButton, false);
    QString password = m_screen.caption(passwordField);
    if (password.isEmpty())
        password = QStringLiteral(" ");
    const QString user = m_screen.caption(userField);
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

    const auto port = parseInt32(m_screen.caption(portField));
    if (!port || *port <= 0 || *port > 65535 || host.isEmpty())
        return;
    m_port = quint16(*port);
    m_host = host;
    m_password = password;
    const QString previousUser = m_state.userName;
    m_state.userName = user;
    m_waiting = true;
    m_phase = Phase::Opening;
    m_link.setSecure(m_screen.isChecked(tlsBox), m_address.authorityFile);
    if (!m_link.open(host, m_port)) {
        m_waiting = false;
        m_phase = Phase::Down;
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
    m_reconnectTimer->stop();
    m_screen.closeWindow(loginWindow);
    Q_EMIT closeRequested();
}

void Connection::logOut()
{
    endAttempt();
    m_dropping = true;
    m_link.abort();
    m_dropping = false;
    m_screen.setCaption(mainWindow, m_initialTitle);
    m_screen.setCaption(securePanel, QString());
    m_screen.setCaption(passwordField, QString());
    m_screen.setCaption(messageLabel, QStringLiteral("Oturum kapatıldı"));
    backToLoginWindow(QStringLiteral("   Oturum kapatıldı"));
    m_screen.setFocus(passwordField);
    Q_EMIT loggedOut();
}

void Connection::alternativeHostKey()
{
    m_screen.setCaption(hostField, m_address.alternativeHost);
    m_screen.setVisible(hostField, true);
    m_screen.setVisible(QStringLiteral("TFrmGiris.edit3"), true);
    m_screen.setVisible(tlsBox, true);
    m_screen.setVisible(forgetPinButton, true);
}

void Connection::portKey()
{
    m_screen.setVisible(portField, true);
    m_screen.setVisible(QStringLiteral("TFrmGiris.Label2"), true);
    m_screen.setVisible(tlsBox, true);
    m_screen.setVisible(forgetPinButton, true);
}

void Connection::showServerFields()
{
    m_screen.setVisible(hostField, true);
    portKey();
}

void Connection::forgetPinClicked()
{
    const QString typedHost = m_screen.caption(hostField);
    const QString host =
        typedHost.isEmpty() ? m_screen.caption(QStringLiteral("TFrmGiris.edit3")).trimmed() : typedHost;
    const auto port = parseInt32(m_screen.caption(portField));
    if (!port || *port <= 0 || *port > 65535 || host.isEmpty())
        return;
    setStatus(m_pins.forget(host, quint16(*port)) ? QStringLiteral("Sabitlenmiş sertifika silindi")
                                                  : QStringLiteral("Sabitlenmiş sertifika yok"));
}

// Runs inside the socket's handshake: it only decides. Whatever needs the user (a box, the question)
// runs once the handshake was dropped, so no window waits inside the socket's call.
bool Connection::judgeCertificate(const CertificateCheck &check)
{
    const QString server = m_host + u':' + QString::number(m_port);
    switch (m_pins.judge(m_host, m_port, check)) {
    case CertificatePins::Verdict::Trusted:
        return true;
    case CertificatePins::Verdict::Changed:
        refuseLater(
            QStringLiteral("Sertifika değişti! Bağlanılmadı"),
            QStringLiteral("Sunucunun sertifikası değişti! Bağlantı dinleniyor olabilir.\n\n"
                           "Sunucu: %1\nSabitlenmiş SHA-256:\n%2\nGelen SHA-256:\n%3\n\n"
                           "Hiçbir şey gönderilmedi. Sertifika sunucuda bilerek değiştirildiyse, giriş "
                           "penceresinde sunucu alanlarını F5 veya F6 ile açıp \"Sabitlenmiş sertifikayı "
                           "sil\" düğmesine basın ve yeniden bağlanın.")
                .arg(server, m_pins.pinned(m_host, m_port), check.fingerprint));
        return false;
    case CertificatePins::Verdict::Rejected:
        refuseLater(QStringLiteral("Sertifika reddedildi"),
                    QStringLiteral("Sunucunun sertifikası reddedildi (%1): %2\n\nHiçbir şey "
                                   "gönderilmedi.")
                        .arg(server, check.problems));
        return false;
    case CertificatePins::Verdict::Ask:
        break;
    }
    // The question waits for the user, and the link's timers with it; a Yes pins the certificate and
    // opens again, where the pin lets it through.
    m_progressTimer->stop();
    m_loginReplyTimer->stop();
    QMetaObject::invokeMethod(
        this,
        [this, server, host = m_host, port = m_port, fingerprint = check.fingerprint] {
            const bool trusted = m_environment.ask(
                QStringLiteral(
                    "%1 sunucusunun sertifikasına tanınmış bir sertifika otoritesi kefil olmuyor "
                    "(kendinden imzalı).\n\nSHA-256 parmak izi:\n%2\n\nBu parmak izini sunucunun "
                    "yöneticisine sorarak doğrulayın.\n\nBu sunucunun sertifikasına güvenilsin mi?")
                    .arg(server, fingerprint));
            if (!trusted || !m_waiting) {
                secureAttemptRefused(QStringLiteral("Sertifikaya güvenilmedi"), QString());
                return;
            }
            m_pins.pin(host, port, fingerprint);
            if (m_reconnecting)
                m_loginReplyTimer->start();
            else
                m_progressTimer->start();
            if (!m_link.open(m_host, m_port))
                linkDown(Why::Error);
        },
        Qt::QueuedConnection);
    return false;
}

void Connection::refuseLater(const QString &status, const QString &box)
{
    QMetaObject::invokeMethod(
        this, [this, status, box] { secureAttemptRefused(status, box); }, Qt::QueuedConnection);
}

void Connection::onHandshakeFailed(const QString &reason)
{
    // A reconnect that meets a broken handshake tries again later like any failed attempt; no question
    // is involved, so nothing repeats on the screen.
    if (m_reconnecting) {
        onError();
        return;
    }
    secureAttemptRefused(QStringLiteral("Güvenli bağlantı kurulamadı"),
                         QStringLiteral("Güvenli bağlantı kurulamadı (%1:%2): %3\n\nHiçbir şey gönderilmedi.")
                             .arg(m_host, QString::number(m_port), reason));
}

// The link is given up: no attempt waits, nobody is logged in, no answer is awaited.
void Connection::endAttempt()
{
    m_waiting = false;
    m_reconnecting = false;
    m_phase = Phase::Down;
    m_state.loggedIn = false;
    m_loginReplyTimer->stop();
    m_pongTimer->stop();
}

void Connection::secureAttemptRefused(const QString &status, const QString &box)
{
    endAttempt();
    m_screen.setCaption(securePanel, QString());
    // A reconnect's countdown in the main window ends here too.
    m_screen.setCaption(messageLabel, status);
    backToLoginWindow(status);
    if (!box.isEmpty())
        m_environment.showError(box);
}

void Connection::onProgressTick()
{
    // The bar measures the user's own connect in the login window; a reconnect has its own wait.
    if (m_reconnecting) {
        m_progressTimer->stop();
        return;
    }
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
    if (m_link.isSecure())
        m_screen.setCaption(securePanel, QStringLiteral("Güvenli bağlantı"));
    Q_EMIT linkUp();
    // The bar's wait is over; left running it would end the next reconnect's wait as "not reached".
    m_progressTimer->stop();
    m_screen.closeWindow(loginWindow);
    if (m_waiting)
        finishLogin();
}

void Connection::finishLogin()
{
    m_waiting = false;
    m_reconnecting = false;
    m_phase = Phase::LoginSent;
    Q_EMIT aboutToLogin();
    send(MessageFramer::login(m_state.userName, m_password));
    m_state.loggedIn = true;
    m_loginReplyTimer->start();
}

void Connection::loginReplied()
{
    if (m_phase != Phase::LoginSent)
        return;
    m_phase = Phase::LoggedIn;
    m_loginReplyTimer->stop();
    m_stableTimer->start();
    const QString secure = m_link.isSecure() ? QStringLiteral(" Güvenli bağlantı.") : QString();
    m_screen.setCaption(mainWindow, QStringLiteral("<<<<<<<") + m_state.userName + QStringLiteral(" Bağlı.") +
                                        secure + QStringLiteral(">>>>>>>>>"));
    remember();
    Q_EMIT loginAnswered();
}

void Connection::remember()
{
    m_environment.setSetting(settingUser, m_state.userName);
    m_environment.setSetting(settingHost, m_host);
    m_environment.setSetting(settingPort, QString::number(m_port));
    m_environment.setSetting(settingTls, m_link.isSecure() ? QStringLiteral("1") : QStringLiteral("0"));
}

void Connection::onDisconnected()
{
    if (m_dropping)
        return;
    m_screen.setCaption(messageLabel,
                        m_state.userName +
                            QStringLiteral(" kullanıcısının ana bilgisayarla bağlantısı kesildi"));
    linkDown(Why::Closed);
}

void Connection::onError()
{
    if (m_dropping)
        return;
    m_screen.setCaption(QStringLiteral("TFrmGiris.LABEL6.2"), QStringLiteral("Bağlantı Hatası"));
    m_screen.setCaption(messageLabel, QStringLiteral("Bağlantı Hatası. Bağlantınızı kontrol edin."));
    linkDown(Why::Error);
}

void Connection::onSilence()
{
    m_loginReplyTimer->stop();
    m_pongTimer->stop();
    if (m_phase == Phase::Down || (m_phase == Phase::Opening && !m_reconnecting))
        return;
    m_dropping = true;
    m_link.abort();
    m_dropping = false;
    m_screen.setCaption(messageLabel, QStringLiteral("Sunucu yanıt vermiyor"));
    linkDown(Why::Silent);
}

void Connection::linkDown(Why why)
{
    const Phase was = std::exchange(m_phase, Phase::Down);
    // A reconnect's attempt that failed, however it failed; the user's own connect keeps waiting as it
    // always did.
    const bool failedAttempt = std::exchange(m_reconnecting, false);
    if (failedAttempt)
        m_waiting = false;
    m_state.loggedIn = false;
    m_loginReplyTimer->stop();
    m_pongTimer->stop();
    m_stableTimer->stop();
    m_screen.setCaption(mainWindow, m_initialTitle);
    if (m_link.isSecure())
        m_screen.setCaption(securePanel, QString());
    Q_EMIT linkLost();
    // The server closes the link when it refuses a login; it has no reply of its own for that.
    if (was == Phase::LoginSent && why == Why::Closed) {
        refused();
        return;
    }
    if (was == Phase::LoginSent || was == Phase::LoggedIn || failedAttempt)
        scheduleReconnect(why == Why::Silent);
    else if (m_reconnectTimer->isActive())
        showReconnectMessage(); // a second notification of the same loss
}

void Connection::refused()
{
    m_screen.setCaption(passwordField, QString());
    backToLoginWindow(QStringLiteral("Kullanıcı adı veya şifre hatalı"));
    m_screen.setFocus(passwordField);
    Q_EMIT loginRefused();
}

// Nothing reconnects by itself: the login window is back with the reason, for the user to try again.
void Connection::backToLoginWindow(const QString &status)
{
    m_reconnectTimer->stop();
    m_stableTimer->stop();
    m_reconnectDelayS = 1;
    m_progressTimer->stop();
    setProgress(0);
    setStatus(status);
    m_screen.setEnabled(connectButton, true);
    m_screen.showWindow(loginWindow);
}

bool Connection::autoReconnect() const
{
    return m_screen.isChecked(reconnectEntry);
}

void Connection::autoReconnectChanged()
{
    const bool on = autoReconnect();
    m_environment.setSetting(settingReconnect, on ? QStringLiteral("1") : QStringLiteral("0"));
    if (!on && m_reconnectTimer->isActive()) {
        m_reconnectTimer->stop();
        m_screen.setCaption(messageLabel,
                            m_state.userName + QStringLiteral(" kullanıcısının ana "
                                                              "bilgisayarla bağlantısı kesildi"));
    }
}

void Connection::scheduleReconnect(bool silent)
{
    if (!autoReconnect())
        return;
    m_silentLoss = silent;
    m_secondsLeft = m_reconnectDelayS;
    m_reconnectTimer->start();
    showReconnectMessage();
    Q_EMIT reconnectScheduled();
}

void Connection::showReconnectMessage()
{
    const QString reason = m_silentLoss ? QStringLiteral("Sunucu yanıt vermiyor. ") : QString();
    m_screen.setCaption(messageLabel,
                        reason +
                            QStringLiteral("Bağlantı koptu. Yeniden bağlanılıyor (%1 s)").arg(m_secondsLeft));
}

void Connection::onReconnectTick()
{
    if (--m_secondsLeft > 0) {
        showReconnectMessage();
        return;
    }
    reconnectNow();
}

void Connection::reconnectNow()
{
    m_reconnectTimer->stop();
    if (m_waiting)
        return;
    m_reconnectDelayS = std::min(m_reconnectDelayS * 2, maxReconnectDelayS);
    m_reconnecting = true;
    m_waiting = true;
    m_phase = Phase::Opening;
    // A link that does not come up is given up like a silent server.
    m_loginReplyTimer->start();
    if (!m_link.open(m_host, m_port))
        linkDown(Why::Error);
}

void Connection::onKeepAliveTick()
{
    send(MessageFramer::ping());
    if (m_phase == Phase::LoggedIn && m_link.isConnected() && !m_pongTimer->isActive())
        m_pongTimer->start();
}

void Connection::handlePong(ReplyText &text)
{
    text.drop(5);
    m_pongTimer->stop();
    m_screen.setCaption(messageLabel, QStringLiteral("Pong"));
    setProgress(100);
    setStatus(QStringLiteral("Bağlantı Kuruldu"));
}

} // namespace korvel
