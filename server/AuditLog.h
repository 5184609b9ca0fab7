#pragma once

#include <QString>
#include <QStringList>

namespace korvel::server
{

class Clock;

// The append-only record of who changed what: one line per command that changes a device, and per
// request of a logged-in user that was refused. Each line reaches the file (one write() on a descriptor
// opened with O_APPEND) before the request's replies are queued, so a reply the client saw always has
// its line. reopen() starts a new file under the same name after the operator has moved the old one.
//
// A line: time to the millisecond with its offset, then key="value" pairs (user, address, device, verb,
// fields, outcome), every value escaped like the server log's lines, a double quote as \x22, so a
// request cannot forge a line. The fields are every field of the request, whole, joined by commas,
// with a comma inside a field written as \x2C.
class AuditLog final
{
public:
    explicit AuditLog(const Clock &clock) : m_clock(clock) {}
    ~AuditLog();
    AuditLog(const AuditLog &) = delete;
    AuditLog &operator=(const AuditLog &) = delete;

    // Opens (or creates) the file for appending; false with the reason in error when it cannot.
    bool open(const QString &path, QString *error);
    bool reopen(QString *error);
    bool isOpen() const { return m_fd >= 0; }

    struct Entry {
        QString user;
        QString address;
        QString device;
        QString verb;
        QStringList fields;
        QString outcome;
    };
    // False when the line could not be written (disk full, file gone read-only).
    bool record(const Entry &entry);
    static QString line(const QString &time, const Entry &entry);

private:
    const Clock &m_clock;
    QString m_path;
    int m_fd = -1;
};

} // namespace korvel::server
