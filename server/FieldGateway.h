#pragma once

#include "FieldLine.h"
#include "FieldPlan.h"
#include "RegisterDump.h"
#include "ReplyBuilder.h"
#include "ServerConfig.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace korvel::server
{

class Clock;
class DeviceModel;
class Directory;
class ServerLog;

// The server's side of the field devices on Modbus links: one FieldLine per TCP gateway or serial
// line, a bounded queue per device, the device's state (on line, off line, answering with an exception)
// logged once per change, a probe that finds failed devices back, and the polling of the value records.
// Everything here runs on the event loop's thread; only the lines' own threads wait for devices.
class FieldGateway final
{
public:
    // The reply bytes (none for a command) and the outcome for the audit log: "done", "device off line"
    // or "device exception N".
    using Answer = std::function<void(const QList<QByteArray> &replies, const QString &outcome)>;
    using Notify = std::function<void(const DeviceModel &device, const QByteArray &notice)>;

    FieldGateway(asio::io_context &io, const ServerConfig &config, Directory &directory, const Clock &clock,
                 const ServerLog &log, Notify notify);
    ~FieldGateway();

    bool serves(const DeviceModel &device) const;
    const RegisterMap *map(const DeviceModel &device) const;
    // Queues the plan on the device's line; answer is called on the loop's thread, at once when the
    // device's queue is full (the request is refused and counted) or the device is known off line.
    void submit(const DeviceModel &device, FieldPlan plan, Answer answer);
    // Polls the value records every pollSeconds (0: never) and probes every device at the configured pace,
    // the first time now.
    void start(int pollSeconds);
    // Ends the lines' threads; results still on their way are dropped.
    void stop();
    void poll();
    void probe();

    // The register dump text of the bytes a plan read, as a simulated device writes it.
    static QByteArray dumpText(const FieldPlan &plan, const QByteArray &data, int unit);
    // The 52 value slots from the bytes of the value block.
    static ReplyBuilder::ValueSlots valueSlots(const QByteArray &data);

    struct Counts {
        qint64 refused = 0;  // requests beyond a full queue
        qint64 polls = 0;    // value polls answered
        qint64 failures = 0; // jobs that ended without an answer
    };
    Counts counts() const { return m_counts; }

private:
    struct Device;
    // The device's state after a result; a change gets one line in the log.
    void settle(Device &device, const FieldResult &result);
    void polled(Device &device, const FieldResult &result);
    void schedulePoll();
    void scheduleProbe();
    QString describe(const Device &device) const;

    const Clock &m_clock;
    const ServerLog &m_log;
    Notify m_notify;
    FieldSettings m_settings;
    std::vector<std::unique_ptr<FieldLine>> m_lines;
    std::vector<std::unique_ptr<Device>> m_devices;
    QHash<const DeviceModel *, Device *> m_byModel;
    asio::steady_timer m_pollTimer;
    asio::steady_timer m_probeTimer;
    int m_pollSeconds = 0;
    Counts m_counts;
    // Results posted by the lines check it before touching the gateway.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace korvel::server
