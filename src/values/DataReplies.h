#pragma once

#include <QObject>

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
    void handleRelayCurrents(ReplyText &text);
    void handleValueRecords(ReplyText &text);

private:
    void request(const QString &kind, int slot, const QString &verb, const QString &outgoing);

    Screen &m_screen;
    ClientState &m_state;
    DeviceValueTable &m_table;
    DeviceList &m_list;
    Connection &m_connection;
};

} // namespace korvel
