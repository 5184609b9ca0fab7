#pragma once

#include <QtGlobal>

namespace korvel::server
{

struct ServerOptions {
    // A request that grows past this many bytes without its terminator ends the connection.
    qsizetype maxRequestBytes = 64 * 1024;
    // Bytes waiting to be sent to one client: above the notice bound unsolicited notices are dropped,
    // above the reply bound the client is taken to have stopped reading and is disconnected.
    qint64 noticeBacklog = 64 * 1024;
    qint64 replyBacklog = 1024 * 1024;
    // How long a refused login waits before the connection is closed.
    int refusedLoginDelayMs = 500;
    // Refused requests logged per connection; the rest are counted in its closing line.
    int loggedRefusalsPerConnection = 10;
};

} // namespace korvel::server
