#pragma once

#include <QHash>
#include <QObject>
#include <functional>

namespace korvel
{

class Connection;
class DeviceList;
class DeviceValueTable;
class ReplyText;
class Screen;
struct ClientState;

// The replies that carry measured values ("enerjial", "akimdegerleri", "cihazenerji") and the
// requests for the consumption, capacitor and missing instantaneous values.
class DataReplies final : public QObject
{
    Q_OBJECT
public:
    DataReplies(Screen &screen, ClientState &state, DeviceValueTable &table, DeviceList &list,
                Connection &connection, QObject *parent = nullptr);

    // "Enerji Değerlerini İste".
    void requestConsumption();
    // "Kondansatör Durumlarını Oku".
    void requestCapacitorStates();
    // The missing instantaneous values (cos φ, power factor, frequency and inputs).
    void requestMissingValues();

    void handleRegisterDump(ReplyText &text);
    // Reads the "enerjial" replies of a pending kind that carries no register dump (the harmonics).
    void addReader(const QString &pendingKind, std::function<void(ReplyText &)> reader);
    void handleRelayCurrents(ReplyText &text);
    void handleValueRecords(ReplyText &text);

Q_SIGNALS:
    // A reply with data of the active device was read: a register dump of the kind asked for, a reply
    // that a reader took, or the relay's currents.
    void dataArrived();
    // A register dump of the pending kind filled row 1 from firstSlot up to (not including) endSlot.
    void registerDumpDecoded(const QString &kind, int firstSlot, int endSlot);

private:
    void request(const QString &kind, int slot, const QString &verb, const QString &outgoing);

    Screen &m_screen;
    ClientState &m_state;
    DeviceValueTable &m_table;
    DeviceList &m_list;
    Connection &m_connection;
    QHash<QString, std::function<void(ReplyText &)>> m_readers;
};

} // namespace korvel
