#pragma once

#include <QString>

#include <functional>

namespace korvel::server
{

// One line per event on standard error, with the time. Tests replace the sink to read the lines.
// Every character that is not printable, as texts from the network may hold, is written as \xNN
// (\u{NNNN} above 0xFF), and a backslash as \x5C, so that no client can forge a line or reach the
// operator's terminal. Lines to standard error are gathered and written in blocks: the server flushes
// them at least once a second, so that closing thousands of connections at once costs no system call
// each.
class ServerLog final
{
public:
    using Sink = std::function<void(const QString &line)>;

    ServerLog();
    explicit ServerLog(Sink sink) : m_sink(std::move(sink)) {}
    ~ServerLog();
    ServerLog(const ServerLog &) = delete;
    ServerLog &operator=(const ServerLog &) = delete;

    void line(const QString &text) const { m_sink(escaped(text)); }
    // Writes out the lines gathered so far.
    void flush() const
    {
        if (m_flush)
            m_flush();
    }
    static QString escaped(const QString &text);

private:
    Sink m_sink;
    std::function<void()> m_flush;
};

} // namespace korvel::server
