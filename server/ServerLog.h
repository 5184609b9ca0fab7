#pragma once

#include <QString>

#include <functional>

namespace korvel::server
{

// One line per event on standard error, with the time. Tests replace the sink to read the lines.
class ServerLog final
{
public:
    using Sink = std::function<void(const QString &line)>;

    ServerLog();
    explicit ServerLog(Sink sink) : m_sink(std::move(sink)) {}

    void line(const QString &text) const { m_sink(text); }

private:
    Sink m_sink;
};

} // namespace korvel::server
