#pragma once

#include "RequestAssembler.h"
#include "ServerOptions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class QTcpSocket;

namespace korvel::server
{

class KorvelServer;
struct Request;
struct UserAccount;

// One client connection: reassembles its requests, logs it in, hands requests to the server's
// handler and writes every reply in one write, within a bounded backlog.
class ClientSession final : public QObject
{
    Q_OBJECT
public:
    ClientSession(QTcpSocket *socket, KorvelServer &server, quint64 id);
    ~ClientSession() override;

    quint64 id() const { return m_id; }
    UserAccount *user() const { return m_user; }
    // An unsolicited notice; dropped while the client is behind with reading.
    void sendNotice(const QByteArray &bytes);
    // Ends the connection now; the closing line gives the reason.
    void finish(const QString &reason);

Q_SIGNALS:
    void finished(ClientSession *session);

private:
    void readRequests();
    void handle(const Request &request);
    void login(const Request &request);
    bool send(const QByteArray &bytes);
    void refused(const QString &why);

    QTcpSocket *m_socket;
    KorvelServer &m_server;
    const ServerOptions &m_options;
    quint64 m_id;
    QString m_peer;
    RequestAssembler m_assembler;
    UserAccount *m_user = nullptr;
    bool m_loginRefused = false;
    bool m_finished = false;
    int m_requests = 0;
    int m_refusals = 0;
    int m_droppedNotices = 0;
    QElapsedTimer m_age;
};

} // namespace korvel::server
