#pragma once

#include "core/ClientState.h"

#include <QObject>
#include <QString>

namespace korvel
{

class Environment;
class Link;
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
};

// The life of the connection to the data server: the login window's connect, cancel and close, the
// socket's notifications, the login request, the keep-alive "ping" and its "pong". Sending is
// fire-and-forget: nothing goes out while the link is down.
class Connection final : public QObject
{
    Q_OBJECT
public:
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
    void handlePong(ReplyText &text);

    // A connect is waiting for the link to come up.
    bool isWaiting() const { return m_waiting; }

Q_SIGNALS:
    // The socket reported connected: the tray menu changes and the login window closes.
    void linkUp();
    // Just before the login request: the device items are removed.
    void aboutToLogin();
    // "Kapat": the program ends.
    void closeRequested();
    // A message went out on the link.
    void sent(const QString &message);
    // The link went down by a disconnect or an error.
    void linkLost();

private:
    void onConnected();
    void onDisconnected();
    void onError();
    void onProgressTick();
    void onKeepAliveTick();
    void finishLogin();
    void setStatus(const QString &text);
    int progress() const;
    void setProgress(int value);

    Link &m_link;
    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
    ServerAddress m_address;
    Ticker *m_progressTimer;
    Ticker *m_keepAlive;
    quint16 m_port;
    QString m_password;
    bool m_waiting = false;
};

} // namespace korvel
