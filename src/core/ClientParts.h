#pragma once

class QObject;

namespace korvel
{

class AlarmBoard;
class Connection;
class DataReplies;
class DeviceList;
class DeviceSelection;
class DeviceValueTable;
class Environment;
class ReplyDispatcher;
class ReplyReceiver;
class RequestLedger;
class Screen;
class ValueRenderer;
struct ClientState;

// What a subsystem needs to wire itself into the client: the screen, the machine, the shared state, the
// link and its dispatcher, the value table and the parts built before it. Each subsystem has one
// install function that takes these, creates its handlers (owned by `owner`), installs its reply
// handlers and connects its controls; the composition root only calls the install functions in order.
struct ClientParts {
    QObject &owner;
    Screen &screen;
    Environment &environment;
    ClientState &state;
    ReplyDispatcher &dispatcher;
    ReplyReceiver &receiver;
    Connection &connection;
    // What was asked of which device, and what arrived from which.
    RequestLedger &ledger;
    DeviceValueTable &table;
    DeviceList &deviceList;
    // Built by the directory and the values subsystems; null until they are installed.
    DeviceSelection *selection = nullptr;
    ValueRenderer *renderer = nullptr;
    // The "enerjial" reader, for kinds whose replies other subsystems read; set by the values subsystem.
    DataReplies *dataReplies = nullptr;
    // The input alarms waiting for an acknowledgement; set by the alerts subsystem.
    AlarmBoard *alarms = nullptr;
};

} // namespace korvel
