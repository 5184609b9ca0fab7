#pragma once

#include "alerts/AlarmBoard.h"

#include <QObject>

namespace korvel
{
class Environment;
struct ClientParts;
} // namespace korvel

namespace korvel::history
{

class HistoryStore;

// The history file as the record of input alarms: the alarm bar acknowledges into it, and learns of
// acknowledgements made in "Olaylar" each time the store writes.
class StoredAlarms final : public QObject, public AlarmRecord
{
    Q_OBJECT
public:
    StoredAlarms(HistoryStore &store, Environment &environment, QObject *parent = nullptr);

    // Makes the store the record of the alarm board; nothing without a store.
    static void install(ClientParts &parts, HistoryStore *store);

    std::optional<std::vector<Entry>> alarmsSince(qint64 sinceMs) override;
    void acknowledge(qint64 id, const QString &by, qint64 atMs) override;

private:
    HistoryStore &m_store;
    Environment &m_environment;
};

} // namespace korvel::history
