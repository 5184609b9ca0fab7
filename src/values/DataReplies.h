#pragma once

#include "link/RequestLedger.h"

#include <QHash>
#include <QObject>
#include <functional>

namespace korvel
{

class Connection;
class DeviceList;
class DeviceValueTable;
class Environment;
class ReplyText;
class RequestLedger;
class Screen;
struct ClientState;

// The replies that carry measured values ("enerjial", "akimdegerleri", "cihazenerji") and the
// requests for the consumption, capacitor and missing instantaneous values. Each reply read is
// announced to the ledger under the device it belongs to: its own serial field where it has one, else
// the serial number the request it answers was sent for.
class DataReplies final : public QObject
{
    Q_OBJECT
public:
    DataReplies(Screen &screen, Environment &environment, ClientState &state, DeviceValueTable &table,
                DeviceList &list, Connection &connection, RequestLedger &ledger, QObject *parent = nullptr);

    // "Enerji Değerlerini İste".
    void requestConsumption();
    // "Kondansatör Durumlarını Oku".
    void requestCapacitorStates();
    // The missing instantaneous values (cos φ, power factor, frequency and inputs).
    void requestMissingValues();

    void handleRegisterDump(ReplyText &text);
    // Reads the "enerjial" replies of a pending kind that carries no register dump (the harmonics),
    // announced as data of `kind`.
    void addReader(const QString &pendingKind, DataKind kind, std::function<void(ReplyText &)> reader);
    void handleRelayCurrents(ReplyText &text);
    void handleValueRecords(ReplyText &text);

private:
    struct Reader {
        DataKind kind;
        std::function<void(ReplyText &)> read;
    };
    // The serial number a reply of this kind belongs to: the one its request was sent for.
    QString serialAsked(DataKind kind) const;
    void announce(DataKind kind, const QString &serial, int row = 0, int firstSlot = 0, int endSlot = 0);
    // A register dump that answers another awaited request than the pending kind's is read as nothing.
    bool answersAnother(ReplyText &text, DataKind pending);
    void request(const QString &kind, int slot, const QString &verb, const QString &outgoing);

    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
    DeviceValueTable &m_table;
    DeviceList &m_list;
    Connection &m_connection;
    RequestLedger &m_ledger;
    QHash<QString, Reader> m_readers;
};

} // namespace korvel
