#include "ClientSession.h"

#include "Directory.h"
#include "KorvelServer.h"
#include "ReplyBuilder.h"
#include "Request.h"
#include "RequestHandler.h"
#include "ServerLog.h"

#include <QTcpSocket>
#include <QTimer>

namespace korvel::server
{

ClientSession::ClientSession(QTcpSocket *socket, KorvelServer &server, quint64 id)
    : m_socket(socket), m_server(server), m_options(server.options()), m_id(id),
      m_assembler(server.options().maxRequestBytes)
{
    m_socket->setParent(this);
    // Qt then holds no more than one request's worth of unread bytes for this client.
    m_socket->setReadBufferSize(m_options.maxRequestBytes);
    // Replies are small and each is written whole; waiting to coalesce them only adds latency.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_peer = m_socket->peerAddress().toString() + u':' + QString::number(m_socket->peerPort());
    m_age.start();
    connect(m_socket, &QTcpSocket::readyRead, this, &ClientSession::readRequests);
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { finish(QStringLiteral("closed by the client")); });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        finish(error == QAbstractSocket::RemoteHostClosedError ? QStringLiteral("closed by the client")
                                                               : m_socket->errorString());
    });
    // Bytes may have arrived before the connections above were made.
    QMetaObject::invokeMethod(this, &ClientSession::readRequests, Qt::QueuedConnection);
}

ClientSession::~ClientSession() = default;

void ClientSession::readRequests()
{
    while (!m_finished && m_socket->bytesAvailable() > 0) {
        m_assembler.append(m_socket->read(m_options.maxRequestBytes));
        while (!m_finished) {
            const std::optional<QByteArray> bytes = m_assembler.next();
            if (!bytes)
                break;
            ++m_requests;
            handle(Request::parse(*bytes));
        }
        if (!m_finished && m_assembler.overflowed()) {
            refused(QStringLiteral("more than %1 bytes without a terminator").arg(m_options.maxRequestBytes));
            finish(QStringLiteral("request too long"));
        }
    }
}

void ClientSession::handle(const Request &request)
{
    if (m_loginRefused)
        return;
    if (request.verb == u"kulsifre") {
        login(request);
        return;
    }
    if (!m_user) {
        refused(QStringLiteral("\"%1\" before login").arg(request.verb.left(40)));
        return;
    }
    const Outcome outcome = m_server.handler().handle(*m_user, request);
    if (!outcome.refusal.isEmpty())
        refused(outcome.refusal);
    for (const QByteArray &reply : outcome.replies) {
        if (!send(reply))
            return;
    }
    if (outcome.inputsChanged)
        m_server.broadcastInputs(*outcome.inputsChanged, outcome.previousInputs);
}

void ClientSession::login(const Request &request)
{
    const UserAccount *account = m_server.directory().authenticate(request.field(0), request.field(1));
    if (!account) {
        m_user = nullptr;
        m_loginRefused = true;
        refused(QStringLiteral("login refused for user \"%1\"").arg(request.field(0).left(40)));
        QTimer::singleShot(m_options.refusedLoginDelayMs, this,
                           [this] { finish(QStringLiteral("login refused")); });
        return;
    }
    m_user = m_server.directory().user(account->name);
    for (const DeviceModel *device : m_server.directory().visibleDevices(*m_user)) {
        if (!send(ReplyBuilder::device(device->entry())))
            return;
    }
    if (send(ReplyBuilder::viewRights(*m_user)))
        send(ReplyBuilder::commandRights(*m_user));
}

bool ClientSession::send(const QByteArray &bytes)
{
    if (m_finished)
        return false;
    if (m_socket->bytesToWrite() + bytes.size() > m_options.replyBacklog) {
        finish(QStringLiteral("client stopped reading (%1 bytes waiting)").arg(m_socket->bytesToWrite()));
        return false;
    }
    m_socket->write(bytes);
    return true;
}

void ClientSession::sendNotice(const QByteArray &bytes)
{
    if (m_finished || !m_user)
        return;
    if (m_socket->bytesToWrite() + bytes.size() > m_options.noticeBacklog) {
        ++m_droppedNotices;
        return;
    }
    send(bytes);
}

void ClientSession::refused(const QString &why)
{
    ++m_refusals;
    if (m_refusals <= m_options.loggedRefusalsPerConnection)
        m_server.log().line(QStringLiteral("#%1 %2 %3 refused: %4")
                                .arg(m_id)
                                .arg(m_peer, m_user ? m_user->name : QStringLiteral("-"), why));
}

void ClientSession::finish(const QString &reason)
{
    if (m_finished)
        return;
    m_finished = true;
    m_server.log().line(
        QStringLiteral("#%1 %2 user %3: %4 requests, %5 refused, %6 notices dropped, %7 s; %8")
            .arg(m_id)
            .arg(m_peer, m_user ? m_user->name : QStringLiteral("-"))
            .arg(m_requests)
            .arg(m_refusals)
            .arg(m_droppedNotices)
            .arg(double(m_age.elapsed()) / 1000.0, 0, 'f', 1)
            .arg(reason));
    disconnect(m_socket, nullptr, this, nullptr);
    m_socket->abort();
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT finished(this); }, Qt::QueuedConnection);
}

} // namespace korvel::server
