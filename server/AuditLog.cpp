#include "AuditLog.h"

#include "Clock.h"
#include "ServerLog.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace korvel::server
{

namespace
{

QString escapedValue(const QString &value)
{
    QString text = ServerLog::escaped(value);
    text.replace(QLatin1Char('"'), QStringLiteral("\\x22"));
    return text;
}

QString quoted(const QString &value)
{
    return QLatin1Char('"') + escapedValue(value) + QLatin1Char('"');
}

// The fields joined by commas; a comma inside a field is written \x2C like any other escape, so the
// separators are the only commas and "1,0","2" never reads as "1","0","2".
QString fieldList(const QStringList &fields)
{
    QStringList escaped;
    escaped.reserve(fields.size());
    for (const QString &field : fields)
        escaped.append(escapedValue(field).replace(QLatin1Char(','), QStringLiteral("\\x2C")));
    return QLatin1Char('"') + escaped.join(QLatin1Char(',')) + QLatin1Char('"');
}

} // namespace

AuditLog::~AuditLog()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool AuditLog::open(const QString &path, QString *error)
{
    m_path = path;
    return reopen(error);
}

bool AuditLog::reopen(QString *error)
{
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
    if (fd < 0) {
        *error = QStringLiteral("cannot open the audit log %1: %2")
                     .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
    return true;
}

QString AuditLog::line(const QString &time, const Entry &entry)
{
    return QStringLiteral("%1 user=%2 address=%3 device=%4 verb=%5 fields=%6 outcome=%7\n")
        .arg(time, quoted(entry.user), quoted(entry.address), quoted(entry.device), quoted(entry.verb),
             fieldList(entry.fields), quoted(entry.outcome));
}

bool AuditLog::record(const Entry &entry)
{
    if (m_fd < 0)
        return false;
    const QByteArray bytes = line(m_clock.now().toString(Qt::ISODateWithMs), entry).toUtf8();
    // One write: with O_APPEND the line lands whole at the end, also beside another writer.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace korvel::server
