#include "FieldGateway.h"

#include "Clock.h"
#include "DeviceModel.h"
#include "Directory.h"
#include "ServerLog.h"

#include <asio/post.hpp>

#include <bit>

namespace korvel::server
{

namespace
{

// The client's value-table words that hold integers, least significant byte first; every other word
// is a real, most significant byte first. The escape rule of the dump text alters the less significant
// byte of a pair, so the reply must know which is which to equal a simulated device's.
bool integerSlot(int slot)
{
    static constexpr int slots[] = {35, 52, 77, 78, 79, 80, 81, 82, 100, 101, 102, 109, 110, 111, 112};
    for (int s : slots) {
        if (s == slot)
            return true;
    }
    return false;
}

std::array<quint8, 4> wordAt(const QByteArray &data, qsizetype at)
{
    return {quint8(data[at]), quint8(data[at + 1]), quint8(data[at + 2]), quint8(data[at + 3])};
}

} // namespace

struct FieldGateway::Device {
    const DeviceModel *model = nullptr;
    FieldLine *line = nullptr;
    RegisterMap map;
    int pending = 0; // client requests queued or in hand
    bool polling = false;
    bool probing = false;
    bool known = false; // a first answer or failure has been seen
    bool online = true;
    QString fault; // the exception it answers with, empty when none
    qint64 refusedSinceLine = 0;
    std::optional<quint8> inputs;
};

FieldGateway::FieldGateway(asio::io_context &io, const ServerConfig &config, Directory &directory,
                           const Clock &clock, const ServerLog &log, Notify notify)
    : m_clock(clock), m_log(log), m_notify(std::move(notify)), m_settings(config.field), m_pollTimer(io),
      m_probeTimer(io)
{
    QHash<QString, FieldLine *> lines;
    for (const auto &model : directory.devices()) {
        const DeviceLink &link = model->entry().link;
        if (link.simulated())
            continue;
        FieldLine *&line = lines[link.line()];
        if (!line) {
            m_lines.push_back(std::make_unique<FieldLine>(
                link, m_settings, [&io](std::function<void()> f) { asio::post(io, std::move(f)); }));
            line = m_lines.back().get();
        }
        auto device = std::make_unique<Device>();
        device->model = model.get();
        device->line = line;
        device->map = config.registerMap(model->entry().type);
        m_byModel.insert(model.get(), device.get());
        m_devices.push_back(std::move(device));
    }
}

FieldGateway::~FieldGateway()
{
    stop();
}

bool FieldGateway::serves(const DeviceModel &device) const
{
    return m_byModel.contains(&device);
}

const RegisterMap *FieldGateway::map(const DeviceModel &device) const
{
    const Device *d = m_byModel.value(&device);
    return d ? &d->map : nullptr;
}

QString FieldGateway::describe(const Device &device) const
{
    const DeviceLink &link = device.model->entry().link;
    return QStringLiteral("device %1 (Modbus %2 %3, unit %4)")
        .arg(device.model->entry().serial,
             link.kind == DeviceLink::Kind::ModbusTcp ? QStringLiteral("TCP") : QStringLiteral("RTU"),
             link.address)
        .arg(link.unit);
}

void FieldGateway::submit(const DeviceModel &model, FieldPlan plan, Answer answer)
{
    Device *device = m_byModel.value(&model);
    const QByteArray offline = ReplyBuilder::offline(model.entry().serial);
    if (!device || !*m_alive)
        return answer({offline}, QStringLiteral("device off line"));
    // Beyond the queue the newest request is refused; the client hears the device cannot answer.
    if (device->pending >= m_settings.queuePerDevice) {
        ++m_counts.refused;
        ++device->refusedSinceLine;
        return answer({offline}, QStringLiteral("device off line"));
    }
    ++device->pending;
    FieldLine::Job job;
    job.unit = model.entry().link.unit;
    job.operations = plan.operations;
    job.done = [this, alive = std::weak_ptr(m_alive), device, plan = std::move(plan),
                answer = std::move(answer), offline](const FieldResult &result) {
        if (alive.expired())
            return;
        --device->pending;
        settle(*device, result);
        switch (result.status) {
        case FieldResult::Status::Answered:
            if (plan.reply == FieldPlan::Reply::None)
                return answer({}, QStringLiteral("done"));
            return answer(
                {ReplyBuilder::registerReply(dumpText(plan, result.data, device->model->entry().link.unit))},
                QStringLiteral("done"));
        case FieldResult::Status::Exception:
            return answer({offline}, QStringLiteral("device exception %1").arg(result.exceptionCode));
        default:
            return answer({offline}, QStringLiteral("device off line"));
        }
    };
    device->line->submit(std::move(job));
}

void FieldGateway::settle(Device &device, const FieldResult &result)
{
    using Status = FieldResult::Status;
    if (result.status == Status::Skipped)
        return;
    if (result.status == Status::Failed) {
        ++m_counts.failures;
        if (device.online || !device.known)
            m_log.line(QStringLiteral("%1: off line: %2").arg(describe(device), result.error));
        device.online = false;
        device.known = true;
        return;
    }
    if (!device.online || !device.known)
        m_log.line(QStringLiteral("%1: on line").arg(describe(device)));
    device.online = true;
    device.known = true;
    const QString fault =
        result.status == Status::Exception
            ? QStringLiteral("exception %1 (%2)").arg(result.exceptionCode).arg(result.error)
            : QString();
    if (fault != device.fault)
        m_log.line(fault.isEmpty()
                       ? QStringLiteral("%1: answers without exceptions again").arg(describe(device))
                       : QStringLiteral("%1: answers with %2").arg(describe(device), fault));
    device.fault = fault;
}

void FieldGateway::start(int pollSeconds)
{
    m_pollSeconds = pollSeconds;
    if (m_devices.empty())
        return;
    probe();
    scheduleProbe();
    schedulePoll();
}

void FieldGateway::stop()
{
    *m_alive = false;
    m_alive = std::make_shared<bool>(false);
    m_pollTimer.cancel();
    m_probeTimer.cancel();
    for (const auto &line : m_lines)
        line->stop();
}

void FieldGateway::schedulePoll()
{
    if (m_pollSeconds <= 0)
        return;
    m_pollTimer.expires_after(std::chrono::seconds(m_pollSeconds));
    m_pollTimer.async_wait([this](const asio::error_code &ec) {
        if (ec)
            return;
        poll();
        schedulePoll();
    });
}

void FieldGateway::scheduleProbe()
{
    m_probeTimer.expires_after(std::chrono::seconds(m_settings.probeSeconds));
    m_probeTimer.async_wait([this](const asio::error_code &ec) {
        if (ec)
            return;
        probe();
        scheduleProbe();
    });
}

void FieldGateway::probe()
{
    for (const auto &d : m_devices) {
        Device &device = *d;
        if (device.refusedSinceLine > 0) {
            m_log.line(QStringLiteral("%1: %2 requests refused, its queue of %3 was full")
                           .arg(describe(device))
                           .arg(device.refusedSinceLine)
                           .arg(m_settings.queuePerDevice));
            device.refusedSinceLine = 0;
        }
        // A device the configuration holds off line is never asked.
        if (device.probing || !device.model->entry().online)
            continue;
        // Any register the map reads will do; a device with no readable register is asked for register 0.
        const auto read =
            device.map.values() ? device.map.values() : device.map.read(QStringLiteral("enertum"));
        FieldLine::Job job;
        job.unit = device.model->entry().link.unit;
        job.probe = true;
        job.operations.push_back({RegisterOperation::Kind::Read, read ? read->start : 0, 1, {}});
        job.done = [this, alive = std::weak_ptr(m_alive), &device](const FieldResult &result) {
            if (alive.expired())
                return;
            device.probing = false;
            settle(device, result);
        };
        device.probing = true;
        device.line->submit(std::move(job));
    }
}

void FieldGateway::poll()
{
    for (const auto &d : m_devices) {
        Device &device = *d;
        const auto values = device.map.values();
        if (device.polling || !device.online || !values || !device.model->entry().online)
            continue;
        FieldLine::Job job;
        job.unit = device.model->entry().link.unit;
        job.operations.push_back({RegisterOperation::Kind::Read, values->start, values->count, {}});
        const auto inputs = device.map.inputs();
        if (inputs && (inputs->address < values->start || inputs->address >= values->start + values->count))
            job.operations.push_back({RegisterOperation::Kind::Read, inputs->address, 1, {}});
        job.done = [this, alive = std::weak_ptr(m_alive), &device](const FieldResult &result) {
            if (alive.expired())
                return;
            device.polling = false;
            settle(device, result);
            if (result.status == FieldResult::Status::Answered)
                polled(device, result);
        };
        device.polling = true;
        device.line->submit(std::move(job));
    }
}

void FieldGateway::polled(Device &device, const FieldResult &result)
{
    ++m_counts.polls;
    const DeviceModel &model = *device.model;
    const auto values = *device.map.values();
    const QByteArray block = result.data.left(qsizetype(values.count) * 2);
    if (model.isAnalyzer())
        m_notify(model, ReplyBuilder::valueNotice(model.entry(), valueSlots(block)));

    const auto inputs = device.map.inputs();
    if (!inputs)
        return;
    const qsizetype at = inputs->address >= values.start && inputs->address < values.start + values.count
                             ? qsizetype(inputs->address - values.start) * 2
                             : block.size();
    if (at + 1 >= result.data.size())
        return;
    const quint8 now = quint8(result.data[at + (inputs->highByte ? 0 : 1)]);
    if (device.inputs && *device.inputs != now)
        m_notify(model, ReplyBuilder::inputNotice(model.entry().serial, m_clock.now(), *device.inputs, now));
    device.inputs = now;
}

QByteArray FieldGateway::dumpText(const FieldPlan &plan, const QByteArray &data, int unit)
{
    RegisterDump dump;
    qsizetype at = 0;
    if (plan.reply != FieldPlan::Reply::Samples) {
        for (int word = 0; at + 4 <= data.size(); ++word, at += 4) {
            const bool integer =
                plan.reply == FieldPlan::Reply::RelayClock ? word < 2 : integerSlot(plan.firstSlot + word);
            dump.addWord(wordAt(data, at), !integer);
        }
    }
    // Samples, and the bytes of a block that ends inside a word, go one by one.
    for (; at < data.size(); ++at)
        dump.addSample(qint8(data[at]));
    return dump.text(quint8(unit));
}

ReplyBuilder::ValueSlots FieldGateway::valueSlots(const QByteArray &data)
{
    ReplyBuilder::ValueSlots slots{};
    for (size_t slot = 0; slot < slots.size() && qsizetype(slot) * 4 + 4 <= data.size(); ++slot) {
        const auto b = wordAt(data, qsizetype(slot) * 4);
        if (slot == 35) {
            slots[slot] =
                double(quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24);
        } else {
            const quint32 bits = quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3];
            slots[slot] = double(std::bit_cast<float>(bits));
        }
    }
    return slots;
}

} // namespace korvel::server
