#include "link/RequestLedger.h"

#include "link/MessageFramer.h"

#include <algorithm>

namespace korvel
{

namespace
{
// Each request verb that asks a device for data, with the kind of data it asks for and the data bytes of
// the register dump that answers it: four bytes a slot of its block (slots 0-35, 15-35, 36-51, 52-82,
// 100-112), or the 128 samples of a phase.
const struct {
    const char16_t *verb;
    DataKind kind;
    int dumpBytes;
} requestVerbs[] = {
    {u"enertum", DataKind::Instantaneous, 144},     {u"cosfi", DataKind::Instantaneous, 84},
    {u"enerharcanan", DataKind::Consumption, 64},   {u"kondasatordurum", DataKind::Capacitors, 124},
    {u"sabitiste", DataKind::Settings, 52},         {u"harmonikbir", DataKind::Harmonics, 128},
    {u"harmonikiki", DataKind::Harmonics, 128},     {u"harmonikuc", DataKind::Harmonics, 128},
    {u"AARdegerlerioku", DataKind::RelayValues, 0}, {u"sayac", DataKind::MeterReadout, 0},
    {u"reaktifener", DataKind::PeriodReport, 0},    {u"sycreaktfener", DataKind::PeriodReport, 0},
};

int dumpBytesOf(QStringView verb)
{
    for (const auto &r : requestVerbs) {
        if (verb == QStringView(r.verb))
            return r.dumpBytes;
    }
    return 0;
}

int index(DataKind kind)
{
    return int(kind);
}
} // namespace

RequestLedger::RequestLedger(QObject *parent) : QObject(parent) {}

std::optional<DataKind> RequestLedger::kindOfRequest(QStringView verb)
{
    for (const auto &r : requestVerbs) {
        if (verb == QStringView(r.verb))
            return r.kind;
    }
    return std::nullopt;
}

void RequestLedger::noteSent(const QString &message, const QDateTime &time)
{
    const qsizetype verbEnd = message.indexOf(MessageFramer::fieldEnd);
    if (verbEnd < 0)
        return;
    const auto kind = kindOfRequest(QStringView(message).left(verbEnd));
    if (!kind)
        return;
    const qsizetype fieldEnd = message.indexOf(MessageFramer::fieldEnd, verbEnd + 1);
    // The relay's requests carry its number with a leading blank.
    const QString serial = QStringView(message)
                               .mid(verbEnd + 1, fieldEnd < 0 ? -1 : fieldEnd - verbEnd - 1)
                               .trimmed()
                               .toString();
    const Request request{*kind, serial, time, m_refilling, dumpBytesOf(QStringView(message).left(verbEnd))};
    m_last[index(*kind)] = request;
    m_answered[index(*kind)] = false;
    std::deque<Request> &awaited = m_awaited[index(*kind)];
    awaited.push_back(request);
    // A device that never answers leaves no more than a handful behind.
    while (awaited.size() > 64)
        awaited.pop_front();
    Q_EMIT requested(request);
}

std::optional<RequestLedger::Request> RequestLedger::lastRequest(DataKind kind) const
{
    return m_last[index(kind)];
}

QString RequestLedger::serialAsked(DataKind kind, const QString &fallback) const
{
    const auto &last = m_last[index(kind)];
    return last ? last->serial : fallback;
}

bool RequestLedger::isAwaited(DataKind kind, const QDateTime &now) const
{
    const auto &last = m_last[index(kind)];
    return last && !m_answered[index(kind)] && last->time.msecsTo(now) < answerMs;
}

bool RequestLedger::answersAnotherRequest(int byteCount, DataKind pending, const QDateTime &now)
{
    const auto &last = m_last[index(pending)];
    if (!last || last->dumpBytes == byteCount)
        return false;
    for (auto &awaited : m_awaited) {
        const auto other = std::find_if(awaited.begin(), awaited.end(), [&](const Request &r) {
            return r.kind != pending && r.dumpBytes == byteCount && r.time.msecsTo(now) < answerMs;
        });
        if (other != awaited.end()) {
            awaited.erase(awaited.begin(), other + 1);
            return true;
        }
    }
    return false;
}

void RequestLedger::announce(const Arrival &arrival)
{
    m_arrivals[index(arrival.kind)].insert(arrival.serial, arrival.time);
    Arrival announced = arrival;
    std::deque<Request> &awaited = m_awaited[index(arrival.kind)];
    std::erase_if(awaited, [&](const Request &r) { return r.time.msecsTo(arrival.time) >= answerMs; });
    if (!awaited.empty()) {
        announced.ambiguous =
            !arrival.named && std::any_of(awaited.begin() + 1, awaited.end(), [&](const Request &r) {
                return r.serial != awaited.front().serial;
            });
        awaited.pop_front();
    }
    if (const auto &last = m_last[index(arrival.kind)]; last && last->serial == arrival.serial) {
        m_answered[index(arrival.kind)] = true;
        announced.refill = last->refill;
    }
    Q_EMIT arrived(announced);
}

QDateTime RequestLedger::lastArrival(DataKind kind, const QString &serial) const
{
    return m_arrivals[index(kind)].value(serial);
}

void RequestLedger::forgetRequests()
{
    for (auto &last : m_last)
        last.reset();
    std::fill(std::begin(m_answered), std::end(m_answered), false);
    for (auto &awaited : m_awaited)
        awaited.clear();
}

} // namespace korvel
