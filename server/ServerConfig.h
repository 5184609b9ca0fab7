#pragma once

#include "RegisterMap.h"
#include "ServerOptions.h"
#include "TlsContext.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace korvel::server
{

struct ServerMessage {
    QString title;
    QString body;
};

struct UserAccount {
    QString name;
    // Either a clear password (accepted with a warning at start) or an Argon2id hash of it.
    QString password;
    QByteArray passwordHash;
    // The two view rights of "haklar" and the six command rights of "tblhaklar", as the client gets them.
    std::array<int, 2> viewRights{};
    std::array<int, 6> commandRights{};
    bool seesAllDevices = false;
    QStringList devices; // serial numbers, when not all
    QList<ServerMessage> messages;
    // How many of the oldest messages were dropped to keep the list bounded: message i of the list is
    // the user's message number messagesDropped + i, which a connection uses to know what it delivered.
    qint64 messagesDropped = 0;
};

// How the server reaches a device: its own simulation, or a field device over Modbus TCP (a gateway or
// the device itself) or Modbus RTU on a serial line.
struct DeviceLink {
    enum class Kind { Simulated, ModbusTcp, ModbusRtu };
    Kind kind = Kind::Simulated;
    QString address; // "HOST:PORT" or the serial device
    int unit = 1;
    int baud = 9600;
    char parity = 'N';
    bool simulated() const { return kind == Kind::Simulated; }
    // What names the line: devices with the same one share its queue.
    QString line() const;
};

// Timeouts and queues of the field devices.
struct FieldSettings {
    int timeoutMs = 1000;
    int retries = 2;
    int probeSeconds = 30;
    int queuePerDevice = 16;
};

struct DeviceEntry {
    QString group;
    QString type; // "VNA310", "VNR420", "VNM530" or anything else
    QString name;
    QString serial;
    bool online = true;
    int row = 0; // value-table row of its "cihazenerji" records
    DeviceLink link;
};

// How often the unsolicited notices come, in seconds; 0 turns a notice off.
struct Pace {
    int values = 10;
    int inputs = 45;
    int messages = 120;
};

// Users, devices and pace, from the built-in demo or from a JSON file.
class ServerConfig final
{
public:
    static ServerConfig demo();
    // Returns nothing and fills error when the text is not a valid configuration.
    static std::optional<ServerConfig> fromJson(const QByteArray &json, QString *error);

    QList<UserAccount> users;
    QList<DeviceEntry> devices;
    Pace pace;
    ServerOptions limits;
    // Where every command that changes a device, and every refused request, is recorded; none when empty.
    QString auditLog;
    // TLS on the server's port; plain TCP when no certificate is given.
    TlsSettings tls;
    FieldSettings field;
    // The register maps of the device types that have a configured one; the others use the built-in.
    QHash<QString, RegisterMap> registerMaps;
    RegisterMap registerMap(const QString &type) const;

    // The users whose configuration holds a clear password.
    QStringList clearPasswordUsers() const;

private:
    // Shared by both sources: the checks that keep every text sendable and every serial readable.
    bool validate(QString *error);
};

} // namespace korvel::server
