#include "KorvelServer.h"

#include "ClientSession.h"
#include "Clock.h"
#include "ReplyBuilder.h"
#include "ServerLog.h"

#include <QHash>
#include <QTcpSocket>

namespace korvel::server
{

KorvelServer::KorvelServer(const ServerConfig &config, const Clock &clock, const ServerLog &log,
                           ServerOptions options, QObject *parent)
    : QObject(parent), m_clock(clock), m_log(log), m_options(options),
      m_directory(config, clock.now().toMSecsSinceEpoch()), m_handler(m_directory, clock)
{
    // Room for a burst of a thousand clients connecting at once.
    m_tcp.setListenBacklogSize(1024);
    connect(&m_tcp, &QTcpServer::newConnection, this, &KorvelServer::accept);
    auto pace = [this](QTimer &timer, int seconds, void (KorvelServer::*notice)()) {
        if (seconds <= 0)
            return;
        timer.setInterval(seconds * 1000);
        connect(&timer, &QTimer::timeout, this, notice);
        timer.start();
    };
    pace(m_valuesTimer, config.pace.values, &KorvelServer::sendValueNotices);
    pace(m_inputsTimer, config.pace.inputs, &KorvelServer::changeFieldInput);
    pace(m_messagesTimer, config.pace.messages, &KorvelServer::postSimulatedMessage);
}

KorvelServer::~KorvelServer()
{
    close();
}

bool KorvelServer::listen(const QHostAddress &address, quint16 port)
{
    if (!m_tcp.listen(address, port))
        return false;
    m_log.line(QStringLiteral("listening on %1:%2 with %3 users and %4 devices")
                   .arg(address.toString())
                   .arg(m_tcp.serverPort())
                   .arg(m_directory.users().size())
                   .arg(m_directory.devices().size()));
    return true;
}

void KorvelServer::close()
{
    m_tcp.close();
    m_valuesTimer.stop();
    m_inputsTimer.stop();
    m_messagesTimer.stop();
    const QSet<ClientSession *> sessions = m_sessions;
    m_sessions.clear();
    for (ClientSession *session : sessions) {
        session->finish(QStringLiteral("server stopping"));
        delete session;
    }
}

void KorvelServer::accept()
{
    while (QTcpSocket *socket = m_tcp.nextPendingConnection()) {
        auto *session = new ClientSession(socket, *this, ++m_nextId);
        m_sessions.insert(session);
        connect(session, &ClientSession::finished, this, [this](ClientSession *ended) {
            if (m_sessions.remove(ended)) {
                ended->deleteLater();
                Q_EMIT sessionEnded();
            }
        });
    }
}

void KorvelServer::sendValueNotices()
{
    const qint64 ms = m_clock.now().toMSecsSinceEpoch();
    QHash<const DeviceModel *, QByteArray> notices;
    for (ClientSession *session : std::as_const(m_sessions)) {
        if (!session->user())
            continue;
        for (const DeviceModel *device : m_directory.visibleDevices(*session->user())) {
            if (!device->isAnalyzer() || !device->entry().online)
                continue;
            auto it = notices.find(device);
            if (it == notices.end())
                it = notices.insert(device, ReplyBuilder::valueNotice(*device, ms));
            session->sendNotice(*it);
        }
    }
}

void KorvelServer::changeFieldInput()
{
    std::vector<DeviceModel *> candidates;
    for (const auto &device : m_directory.devices()) {
        if (device->isAnalyzer() && device->entry().online)
            candidates.push_back(device.get());
    }
    if (candidates.empty())
        return;
    DeviceModel &device = *candidates[m_random() % candidates.size()];
    const quint8 previous = device.inputs();
    device.setFieldInputs(quint8(previous ^ (1u << (m_random() % 6))));
    broadcastInputs(device, previous);
}

void KorvelServer::broadcastInputs(DeviceModel &device, quint8 previous)
{
    const QByteArray notice = ReplyBuilder::inputNotice(device, m_clock.now(), previous);
    for (ClientSession *session : std::as_const(m_sessions)) {
        if (session->user() && m_directory.sees(*session->user(), device))
            session->sendNotice(notice);
    }
}

void KorvelServer::postMessage(UserAccount &user, ServerMessage message)
{
    m_directory.addMessage(user, std::move(message));
    const QByteArray notice = ReplyBuilder::reply(QStringLiteral("yenimesaj"));
    for (ClientSession *session : std::as_const(m_sessions)) {
        if (session->user() == &user)
            session->sendNotice(notice);
    }
}

void KorvelServer::postSimulatedMessage()
{
    auto &users = m_directory.users();
    if (users.empty())
        return;
    static const char16_t *const texts[][2] = {
        {u"Gerilim dalgalanması", u"Şebekede kısa süreli gerilim düşümü kaydedildi."},
        {u"Kompanzasyon bilgisi", u"Kondansatör kademeleri yük değişimine göre yeniden düzenlendi."},
        {u"Sayaç okuma hatırlatması", u"Ay sonu TEDAŞ okuması için sayaç okuma zamanı yaklaşıyor."},
    };
    UserAccount &user = users[m_nextMessageUser++ % users.size()];
    const auto &text = texts[m_simulatedMessages++ % 3];
    postMessage(user, {QString::fromUtf16(text[0]), QString::fromUtf16(text[1])});
}

} // namespace korvel::server
