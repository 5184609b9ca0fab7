#pragma once

#include "link/RequestLedger.h"

#include <QList>
#include <QObject>
#include <QString>

namespace korvel
{

class Connection;
class DeviceList;
class DeviceSelection;
class DeviceValueTable;
class Environment;
class Screen;
class Ticker;
struct ClientState;

// A reconnect brings a new device list and leaves nothing selected. Once the item of the device that
// was active is back, it is selected again without clearing anything: the values stay on screen, dimmed
// until fresh data replaces them, and typed values and toggles stay as they were. Then every view the
// user had filled for that device since selecting it is asked for again, one request after the other,
// the tab on screen first: one pending kind decides how a reply is read, so each waits for its answer
// (or for answerMs) before the next goes out.
class ActiveDeviceRestore final : public QObject
{
    Q_OBJECT
public:
    ActiveDeviceRestore(DeviceList &list, DeviceSelection &selection, Screen &screen,
                        Environment &environment, Connection &connection, ClientState &state,
                        DeviceValueTable &table, RequestLedger &ledger, QObject *parent = nullptr);

    // A received chunk was handled: the item may have come back.
    void chunkEnded();

private:
    void requested(const RequestLedger::Request &request);
    void arrived(const Arrival &arrival);
    void queueRefills();
    void sendNext();
    void stop();

    DeviceList &m_list;
    DeviceSelection &m_selection;
    Screen &m_screen;
    Connection &m_connection;
    ClientState &m_state;
    DeviceValueTable &m_table;
    RequestLedger &m_ledger;
    Ticker *m_answerWait;
    // The kinds of data asked for the active device since it was selected, in the order first asked.
    QList<DataKind> m_filled;
    // The serial number of the device to select again once the login is answered.
    QString m_pending;
    // The requests still to send after a reconnect, and the one whose answer is awaited.
    QList<DataKind> m_queue;
    std::optional<DataKind> m_awaited;
    bool m_restoring = false;
};

} // namespace korvel
