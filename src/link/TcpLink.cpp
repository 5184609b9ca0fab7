#include "link/TcpLink.h"

#include <QCryptographicHash>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QTcpSocket>

#include <algorithm>

namespace korvel
{

namespace
{
// Faults that only say no known authority vouches for the certificate.
bool isUnknownAuthority(const QSslError &error)
{
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return true;
    default:
        return false;
    }
}

CertificateCheck describe(const QSslCertificate &certificate, const QList<QSslError> &errors)
{
    CertificateCheck check;
    check.fingerprint =
        QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
    QStringList problems;
    for (const QSslError &e : errors)
        problems << e.errorString();
    problems.removeDuplicates();
    check.problems = problems.join(QStringLiteral("; "));
    check.unknownAuthorityOnly =
        !errors.isEmpty() && std::all_of(errors.begin(), errors.end(), isUnknownAuthority);
    return check;
}
} // namespace

TcpLink::TcpLink(QObject *parent) : Link(parent)
{
    useSocket(new QTcpSocket(this));
}

void TcpLink::useSocket(QTcpSocket *socket)
{
    // The socket that goes is silent: what it says while closing belongs to no attempt.
    if (m_socket)
        m_socket->disconnect(this);
    delete m_socket;
    m_socket = socket;
    m_socket->setReadBufferSize(maxUnreadBytes);
    if (!m_secure)
        connect(m_socket, &QTcpSocket::connected, this, &Link::connected);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        if (m_silenced)
            return;
        if (m_secure && !m_encrypted)
            return failHandshake(QStringLiteral("Sunucu güvenli bağlantıyı kapattı"));
        Q_EMIT disconnected();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, [this] {
        if (!m_silenced)
            Q_EMIT readyRead();
    });
    // A close by the server is no error: the disconnect that follows says it, and the connection tells a
    // refused login from a broken link by it.
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (m_silenced || error == QAbstractSocket::RemoteHostClosedError)
            return;
        // Past the TCP connect and before the handshake finished, the fault is the handshake's.
        if (m_secure && !m_encrypted && m_socket->state() == QAbstractSocket::ConnectedState)
            return failHandshake(m_socket->errorString());
        Q_EMIT errorOccurred(m_socket->errorString());
    });
    if (m_secure)
        wireSecureSocket();
}

void TcpLink::wireSecureSocket()
{
    auto *ssl = static_cast<QSslSocket *>(m_socket);
    // Called while the handshake waits: not ignoring the errors refuses the certificate.
    connect(ssl, &QSslSocket::sslErrors, this, [this, ssl](const QList<QSslError> &errors) {
        if (m_silenced)
            return;
        m_judged = true;
        if (judge(describe(ssl->peerCertificate(), errors)))
            ssl->ignoreSslErrors();
        else
            dropHandshake();
    });
    connect(ssl, &QSslSocket::encrypted, this, [this, ssl] {
        if (m_silenced)
            return;
        // A verified certificate is judged too: a pinned server must show the pinned one.
        if (!std::exchange(m_judged, true) && !judge(describe(ssl->peerCertificate(), {})))
            return dropHandshake();
        m_encrypted = true;
        Q_EMIT connected();
    });
}

void TcpLink::setSecure(bool secure, const QString &authorityFile)
{
    m_authorityFile = authorityFile;
    if (secure == m_secure)
        return;
    m_secure = secure;
    useSocket(secure ? new QSslSocket(this) : new QTcpSocket(this));
}

bool TcpLink::open(const QString &host, quint16 port)
{
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_silenced = m_silenced || m_secure;
        m_socket->abort();
    }
    ++m_attempt;
    m_silenced = false;
    m_judged = false;
    m_encrypted = false;
    if (!m_secure) {
        m_socket->connectToHost(host, port);
        return m_socket->state() != QAbstractSocket::UnconnectedState;
    }
    auto *ssl = static_cast<QSslSocket *>(m_socket);
    QString problem;
    if (!QSslSocket::supportsSsl()) {
        problem = QStringLiteral("TLS kitaplığı yüklenemedi");
    } else {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setProtocol(QSsl::TlsV1_2OrLater);
        configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
        if (!m_authorityFile.isEmpty()) {
            const QList<QSslCertificate> authorities = QSslCertificate::fromPath(m_authorityFile, QSsl::Pem);
            if (authorities.isEmpty())
                problem = QStringLiteral("Sertifika otoritesi dosyası okunamadı: %1").arg(m_authorityFile);
            configuration.setCaCertificates(authorities);
        }
        ssl->setSslConfiguration(configuration);
    }
    if (!problem.isEmpty()) {
        // Said after open returns, as a failed handshake would be.
        QMetaObject::invokeMethod(
            this,
            [this, problem, attempt = m_attempt] {
                if (attempt == m_attempt)
                    failHandshake(problem);
            },
            Qt::QueuedConnection);
        return true;
    }
    ssl->connectToHostEncrypted(host, port);
    return ssl->state() != QAbstractSocket::UnconnectedState;
}

void TcpLink::dropHandshake()
{
    m_silenced = true;
    // Not from within the socket's own handshake call; a later open is left alone.
    QMetaObject::invokeMethod(
        this,
        [this, attempt = m_attempt] {
            if (attempt == m_attempt)
                m_socket->abort();
        },
        Qt::QueuedConnection);
}

void TcpLink::failHandshake(const QString &reason)
{
    dropHandshake();
    Q_EMIT handshakeFailed(reason);
}

bool TcpLink::isConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState && (!m_secure || m_encrypted) && !m_silenced;
}

void TcpLink::write(const QByteArray &bytes)
{
    if (!isConnected() || m_socket->bytesToWrite() + bytes.size() > maxQueuedBytes)
        return;
    m_socket->write(bytes);
}

QByteArray TcpLink::readAll()
{
    return m_socket->readAll();
}

QByteArray TcpLink::read(qint64 maxBytes)
{
    return m_socket->read(maxBytes);
}

qint64 TcpLink::bytesAvailable() const
{
    return m_socket->bytesAvailable();
}

void TcpLink::abort()
{
    // Dropping a handshake on purpose is no failed handshake.
    if (m_secure && !m_encrypted)
        m_silenced = true;
    m_socket->abort();
}

} // namespace korvel
