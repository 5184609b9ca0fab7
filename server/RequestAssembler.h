#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace korvel::server
{

// Cuts the received byte stream into requests at the terminator 0xF4 0xF4 0xF4, however the stream
// was split into reads. Holds at most the limit of bytes that have no terminator yet.
class RequestAssembler final
{
public:
    explicit RequestAssembler(qsizetype limit = 64 * 1024) : m_limit(limit) {}

    void append(QByteArrayView bytes) { m_buffer.append(bytes); }
    // The next complete request without its terminator, or nothing when none is complete.
    std::optional<QByteArray> next();
    // True when the unfinished rest is longer than the limit; the connection is then given up.
    qsizetype pendingBytes() const { return m_buffer.size() - m_start; }
    bool overflowed() const { return m_buffer.size() - m_start > m_limit; }

private:
    QByteArray m_buffer;
    qsizetype m_start = 0;   // first byte of the unfinished request
    qsizetype m_scanned = 0; // bytes from m_start already known to hold no terminator
    qsizetype m_limit;
};

} // namespace korvel::server
