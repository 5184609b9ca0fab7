// korvel-server without sockets: the received stream reassembled into requests, each parsed and handled
// as a session does (a login, then the requests of the user it names) against the demo directory and a
// clock that the input moves on. A fresh directory for every input, so that a finding replays alone.
#include "Clock.h"
#include "Directory.h"
#include "Request.h"
#include "RequestAssembler.h"
#include "RequestHandler.h"
#include "ServerConfig.h"

#include <QDateTime>
#include <cstdlib>

using namespace korvel::server;

// Input: flags, then the stream. Flags: bits 0-2 the reads the stream is cut into (1 to 8), bit 3 the
// session starts logged in as "izleyici" rather than "demo", bits 4-7 hours the clock moves on per
// request.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const ServerConfig config = ServerConfig::demo();
    const QDateTime start(QDate(2025, 3, 14), QTime(10, 30), Qt::UTC);
    ManualClock clock(start);
    Directory directory(config, start.toMSecsSinceEpoch());
    RequestHandler handler(directory, clock);
    RequestAssembler assembler(config.limits.maxRequestBytes);

    const uint8_t flags = data[0];
    UserAccount *user = directory.user(QString::fromLatin1(flags & 8 ? "izleyici" : "demo"));
    const QByteArrayView stream(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const qsizetype reads = (flags & 7) + 1;
    const qsizetype piece = stream.size() / reads + 1;
    QList<QByteArray> requests;
    for (qsizetype at = 0; at < stream.size(); at += piece) {
        assembler.append(stream.sliced(at, std::min(piece, stream.size() - at)));
        while (const std::optional<QByteArray> bytes = assembler.next()) {
            requests.append(*bytes);
            const Request request = Request::parse(*bytes);
            if (request.verb == u"kulsifre") {
                const UserAccount *account = directory.authenticate(request.field(0), request.field(1));
                user = account ? directory.user(account->name) : nullptr;
                continue;
            }
            if (!user)
                continue;
            const Outcome outcome = handler.handle(*user, request);
            // A refused request changes nothing.
            if (!outcome.refusal.isEmpty() && outcome.inputsChanged)
                std::abort();
            clock.advanceSeconds(3600 * (flags >> 4));
        }
        if (assembler.overflowed())
            return 0;
    }
    // However the stream was cut into reads, the same requests come out of it.
    RequestAssembler whole(config.limits.maxRequestBytes);
    whole.append(stream);
    for (const QByteArray &request : std::as_const(requests)) {
        if (whole.next() != request)
            std::abort();
    }
    if (whole.next())
        std::abort();
    return 0;
}
