#include "history/StoredAlarms.h"

#include "core/ClientParts.h"
#include "core/Environment.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"

#include <limits>

namespace korvel::history
{

StoredAlarms::StoredAlarms(HistoryStore &store, Environment &environment, QObject *parent)
    : QObject(parent), m_store(store), m_environment(environment)
{
}

void StoredAlarms::install(ClientParts &parts, HistoryStore *store)
{
    if (!store || !parts.alarms)
        return;
    auto *record = new StoredAlarms(*store, parts.environment, store);
    AlarmBoard *board = parts.alarms;
    board->setRecord(record);
    connect(store, &HistoryStore::eventsWritten, board, &AlarmBoard::recordChanged);
}

std::optional<std::vector<AlarmRecord::Entry>> StoredAlarms::alarmsSince(qint64 sinceMs)
{
    m_store.flush(m_environment.now());
    // A store that does not record (another client holds the file, the disk refused it) cannot tell.
    if (m_store.state() != HistoryStore::State::Recording)
        return std::nullopt;
    HistoryReader reader(m_store.file());
    if (!reader.open())
        return std::nullopt;
    std::vector<Entry> entries;
    for (const Event &e :
         reader.events(QString(), {EventKind::Input}, sinceMs, std::numeric_limits<qint64>::max()))
        entries.push_back({e.id, e.device, e.timeMs, !e.ackedBy.isEmpty()});
    return entries;
}

void StoredAlarms::acknowledge(qint64 id, const QString &by, qint64 atMs)
{
    m_store.acknowledge(id, by, atMs);
    // A person's act is written at once, and "Olaylar" shows it at once.
    m_store.flush(m_environment.now());
}

} // namespace korvel::history
