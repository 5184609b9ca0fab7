#pragma once

#include <QString>

#include <functional>

namespace korvel::server
{

// One line per event on standard error, with the time. Tests replace the sink to read the lines.
// Every character that is not printable, as texts from the network may hold, is written as \xNN
// (\u{NNNN} above 0xFF), and a backslash as \x5C, so that no client can forge a line or reach the
// operator's terminal.
class ServerLog final
{
public:
    using Sink = std::function<void(const QString &line)>;

    ServerLog();
    explicit ServerLog(Sink sink) : m_sink(std::move(sink)) {}

    void line(const QString &text) const { m_sink(escaped(text)); }
    static QString escaped(const QString &text);

private:
    Sink m_sink;
};

} // namespace korvel::server
