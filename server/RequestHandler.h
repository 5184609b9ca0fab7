#pragma once

#include "FieldPlan.h"
#include "Request.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace korvel::server
{

class Clock;
class DeviceModel;
class Directory;
class FieldGateway;
class RegisterMap;
struct UserAccount;

// What one request of a logged-in user comes to.
struct Outcome {
    QList<QByteArray> replies;
    // Why it was refused; empty when it was not. A refused request changes nothing.
    QString refusal;
    // A device whose inputs the request changed (its output relays are wired back to inputs).
    DeviceModel *inputsChanged = nullptr;
    quint8 previousInputs = 0;
    // The device is off line: it was told so and nothing was done.
    bool deviceOffline = false;
    // A field device's registers to read or write; the replies come when it has answered.
    std::optional<FieldPlan> field;
    const DeviceModel *fieldDevice = nullptr;
};

// Answers the requests of a logged-in user: checks the rights bits the user was given in
// "tblhaklar" and the devices it may see, runs commands on the simulated devices and builds replies.
class RequestHandler final
{
public:
    RequestHandler(Directory &directory, const Clock &clock) : m_directory(directory), m_clock(clock) {}
    // The devices on Modbus links: their requests become register operations.
    void setField(const FieldGateway *field) { m_field = field; }

    // messagesDelivered counts the user's messages this connection has been given (numbered as
    // UserAccount::messagesDropped says): "yenimesajiste" answers only the later ones and moves it on.
    // Without it every waiting message is answered.
    Outcome handle(UserAccount &user, const Request &request, qint64 *messagesDelivered = nullptr);
    // Whether the request switches, writes or resets a device: the commands the audit log records.
    static bool changesDevice(const QString &verb);

private:
    Outcome deviceRequest(const UserAccount &user, const Request &request, DeviceModel &device);
    Outcome fieldRequest(const Request &request, const DeviceModel &device, const RegisterMap &map);
    Outcome writeSettings(const Request &request, DeviceModel &device, int word);
    Outcome periodReport(const Request &request, DeviceModel &device, const QString &tag);
    Outcome meterReading(const Request &request, DeviceModel &device);

    Directory &m_directory;
    const Clock &m_clock;
    const FieldGateway *m_field = nullptr;
};

} // namespace korvel::server
