#pragma once

#include <QtGlobal>

namespace korvel::server
{

// The limits that keep one client, or many, from taking the server from the others. The defaults
// are listed in server/README.md; the configuration's "limits" overrides them one by one.
struct ServerOptions {
    // Connections held at once; at listen time it is lowered to leave headroom below the descriptor
    // limit. Further connections are accepted and closed at once.
    int maxConnections = 10000;
    int maxConnectionsPerAddress = 256;
    // A connection that has not logged in within this time is closed.
    int loginDeadlineMs = 10'000;
    // A logged-in connection that sends no request for this long is closed: three keep-alive periods.
    int idleTimeoutMs = 180'000;
    // A request that grows past this many bytes without its terminator ends the connection. The
    // client's largest request is well under 1 KiB.
    qsizetype maxRequestBytes = 4 * 1024;
    // Requests per connection and second, empty ones included, past which it is closed; 0 for none.
    int maxRequestsPerSecond = 200;
    // Bytes waiting to be sent to one client: above the notice bound unsolicited notices are dropped
    // and its requests are no longer read; above the reply bound the client is disconnected.
    qint64 noticeBacklog = 64 * 1024;
    qint64 replyBacklog = 1024 * 1024;
    // A client with replies waiting that takes none of them for this long has stopped reading.
    int writeStallMs = 10'000;
    // Requests handled for one connection before the others get their turn.
    int requestsPerTurn = 8;
    // How long a refused login waits before the connection is closed.
    int refusedLoginDelayMs = 500;
    // After the free failures, an address gets one attempt checked per back-off period: the first
    // period, doubling with each further failure up to the ceiling; a user name's failures slow the
    // addresses that have failed in the same way. Forgotten after the memory time.
    int loginFreeFailures = 5;
    int loginBackoffMs = 1000;
    int loginBackoffCeilingMs = 30'000;
    int loginMemoryMs = 600'000;
    // Password checks (Argon2id) waiting for a worker in all, and logins outstanding per address
    // (held back, waiting or being checked); past either a login is refused at once, unchecked.
    int loginQueue = 64;
    int loginsPerAddress = 2;
    // Threads that check passwords; 0 for as many as the machine has cores less one, at least one.
    int loginCheckers = 0;
    // Refused logins, rejected connections, descriptor exhaustion and what each address did before
    // logging in (refused requests, connections ended) are logged once per interval.
    int summaryIntervalMs = 60'000;
    // Refused requests logged per connection; the rest are counted in its closing line.
    int loggedRefusalsPerConnection = 10;
};

} // namespace korvel::server
