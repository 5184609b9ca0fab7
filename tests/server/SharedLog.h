#pragma once

#include "ServerLog.h"

#include <QStringList>

#include <mutex>

namespace korvel::server::test
{

// The log of a server that runs on a thread of its own, read from the test's thread.
class SharedLog
{
public:
    QStringList lines() const
    {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_lines;

public:
    ServerLog log{[this](const QString &line) {
        std::lock_guard lock(m_mutex);
        m_lines.append(line);
    }};
};

} // namespace korvel::server::test
