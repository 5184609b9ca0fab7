#pragma once

#include "core/ClientState.h"
#include "link/CertificatePins.h"

#include <QObject>
#include <QString>

namespace korvel
{

class Environment;
class Link;
struct CertificateCheck;
class ReplyText;
class Screen;
class Ticker;

// Where the client looks for the data server.
struct ServerAddress {
    QString defaultHost = QStringLiteral("localhost");
    // Typed into the login window by F5.
    QString alternativeHost = QStringLiteral("127.0.0.1");
    // Used when the host field is left empty.
    QString fallbackAddress = QStringLiteral("127.0.0.1");
    quint16 defaultPort = 17814;
    // The host was given on the command line: it wins over the host remembered from the last login.
    bool hostGiven = false;
    // --tls: the login window's TLS box starts ticked, whatever was remembered.
    bool tls = false;
    // --ca-file: the only authority a TLS server's certificate is verified against.
    QString authorityFile;
};

// The life of the connection to the data server: the login window's connect, cancel and close, the
// socket's notifications, the login request, the keep-alive "ping" and its "pong". Sending is
// fire-and-forget: nothing goes out while the link is down.
//
// The link is honest about its state. A login counts only once the server answered it (its first
// "cihazlar", "haklar" or "tblhaklar"); a link that closes before that answer was a refused login and
// brings the login window back. A server that stays silent (no answer to the login within
// loginReplyMs, no "pong" within pongMs of a "ping") is dropped. A link lost after the login reconnects
// by itself with the same credentials, unless the user unticked "Otomatik Yeniden Bağlan": every failed
// attempt of any kind (refused, unanswered, aborted, a broken handshake) schedules the next after 1, 2,
// 4 ... 60 s, counted down second by second in the status line, until a login is refused or the user
// stops it. The wait starts over only once a login was answered and the link then stayed up for
// stableMs, so a server that drops every login at once is not asked again every second. The login
// window's progress timer runs only while that window is shown. The user name, server and the
// reconnect choice are remembered; the password never.
//
// Over TLS nothing is sent before the handshake is done. A certificate no authority vouches for is
// trusted only when the user says so, which pins it (its SHA-256) for that host and port; a pinned
// server that shows another certificate, or any other certificate fault, is refused and ends the
// attempt (and any reconnecting) with the login window back, so no question repeats at each back-off.
class Connection final : public QObject
{
    Q_OBJECT
public:
    static constexpr int loginReplyMs = 15000;
    static constexpr int pongMs = 30000;
    static constexpr int maxReconnectDelayS = 60;
    static constexpr int stableMs = 60000;

    Connection(Link &link, Screen &screen, Environment &environment, ClientState &state,
               ServerAddress address = {}, QObject *parent = nullptr);

    void send(const QString &message);

    void loginWindowShown();
    // "Bağlan"; also what a device click runs while not logged in.
    void connectClicked();
    void cancelClicked();
    void closeClicked();
    void alternativeHostKey();
    void portKey();
    // "Oturumu Kapat": closes the link without reconnecting and brings the login window back with the
    // user name kept, for this user or another to log in.
    void logOut();
    // Forgets the certificate pinned for the server in the login window's fields.
    void forgetPinClicked();
    void handlePong(ReplyText &text);
    // One of the replies that answer a login arrived.
    void loginReplied();

    // The link is up: what is sent goes out.
    bool isLinkUp() const;
    // What a command or write says when the link is down: it asked nothing and sent nothing.
    static QString notConnectedText()
    {
        return QStringLiteral("Sunucuya bağlı değil: hiçbir şey gönderilmedi.");
    }
    // A connect is waiting for the link to come up.
    bool isWaiting() const { return m_waiting; }
    // The server answered the login on the link that is up now.
    bool isLoginAnswered() const { return m_phase == Phase::LoggedIn; }

Q_SIGNALS:
    // The socket reported connected: the tray menu changes and the login window closes.
    void linkUp();
    // Just before the login request: the device items are removed.
    void aboutToLogin();
    // "Kapat": the program ends.
    void closeRequested();
    // A message went out on the link.
    void sent(const QString &message);
    // The link went down by a disconnect, an error or a silent server.
    void linkLost();
    // The server answered the login: the link is up and the user logged in.
    void loginAnswered();
    // The link closed before the login was answered: the login window is back.
    void loginRefused();
    // A lost link will be opened again by itself.
    void reconnectScheduled();
    // The user logged out: nothing reconnects, nothing is restored.
    void loggedOut();

private:
    enum class Phase { Down, Opening, LoginSent, LoggedIn };
    enum class Why { Closed, Error, Silent };

    void onConnected();
    void onDisconnected();
    void onError();
    void onProgressTick();
    void onKeepAliveTick();
    void onSilence();
    void onReconnectTick();
    void reconnectNow();
    void finishLogin();
    bool judgeCertificate(const CertificateCheck &check);
    void onHandshakeFailed(const QString &reason);
    // Ends a secure attempt the client would not finish: the login window is back with the reason.
    void endAttempt();
    void secureAttemptRefused(const QString &status, const QString &box);
    void refuseLater(const QString &status, const QString &box);
    void showServerFields();
    void linkDown(Why why);
    void refused();
    void backToLoginWindow(const QString &status);
    void scheduleReconnect(bool silent);
    void showReconnectMessage();
    bool autoReconnect() const;
    void autoReconnectChanged();
    void remember();
    void setStatus(const QString &text);
    int progress() const;
    void setProgress(int value);

    Link &m_link;
    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
    ServerAddress m_address;
    CertificatePins m_pins;
    Ticker *m_progressTimer;
    Ticker *m_keepAlive;
    // Waits for the answer to the login (or for a reconnect's link to come up), then for a "pong".
    Ticker *m_loginReplyTimer;
    Ticker *m_pongTimer;
    // Ticks each second of a reconnect's wait.
    Ticker *m_reconnectTimer;
    // Runs while an answered login's link stays up; its end starts the reconnect wait over.
    Ticker *m_stableTimer;
    QString m_initialTitle;
    QString m_host;
    quint16 m_port;
    QString m_password;
    Phase m_phase = Phase::Down;
    int m_reconnectDelayS = 1;
    int m_secondsLeft = 0;
    bool m_waiting = false;
    // The open in progress is a reconnect, not the user's "Bağlan".
    bool m_reconnecting = false;
    // The link is being dropped on purpose; its own notifications of that tell nothing new.
    bool m_dropping = false;
    // The last loss was a silent server, which the reconnect message says.
    bool m_silentLoss = false;
    bool m_loginWindowShownBefore = false;
};

} // namespace korvel
