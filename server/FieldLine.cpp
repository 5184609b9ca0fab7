#include "FieldLine.h"

#include <modbus/modbus.h>

#include <cerrno>

namespace korvel::server
{

namespace
{

bool isException(int error)
{
    return error >= EMBXILFUN && error <= EMBXGTAR;
}

} // namespace

FieldLine::FieldLine(DeviceLink link, FieldSettings settings, Post post)
    : m_link(std::move(link)), m_settings(settings), m_post(std::move(post))
{
    if (m_link.kind == DeviceLink::Kind::ModbusTcp) {
        const qsizetype colon = m_link.address.lastIndexOf(u':');
        const QByteArray host = m_link.address.left(colon).toUtf8();
        const QByteArray port = m_link.address.mid(colon + 1).toUtf8();
        m_context = modbus_new_tcp_pi(host.constData(), port.constData());
    } else {
        m_context = modbus_new_rtu(m_link.address.toUtf8().constData(), m_link.baud, m_link.parity, 8, 1);
    }
    if (m_context) {
        const auto ms = uint32_t(m_settings.timeoutMs);
        modbus_set_response_timeout(m_context, ms / 1000, (ms % 1000) * 1000);
        // The gap allowed between the bytes of one answer: a whole answer's worth at the line's speed.
        modbus_set_byte_timeout(m_context, std::min(ms, 500u) / 1000, (std::min(ms, 500u) % 1000) * 1000);
    }
    m_thread = std::thread([this] { run(); });
}

FieldLine::~FieldLine()
{
    stop();
    if (m_context)
        modbus_free(m_context);
}

void FieldLine::submit(Job job)
{
    {
        const std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void FieldLine::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void FieldLine::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping)
                break;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        FieldResult result = execute(job);
        m_post([done = std::move(job.done), result = std::move(result)] { done(result); });
    }
    disconnect();
}

FieldResult FieldLine::execute(const Job &job)
{
    FieldResult result;
    if (!m_context) {
        result.error =
            QStringLiteral("cannot set up the link: %1").arg(QString::fromLocal8Bit(modbus_strerror(errno)));
        return result;
    }
    if (!job.probe && m_failedUnits.count(job.unit)) {
        result.status = FieldResult::Status::Skipped;
        result.error = QStringLiteral("off line");
        return result;
    }
    for (int round = 0; round <= m_settings.retries; ++round) {
        result.data.clear();
        const int error = attempt(job, result.data);
        if (error == 0) {
            m_failedUnits.erase(job.unit);
            result.status = FieldResult::Status::Answered;
            return result;
        }
        if (isException(error)) {
            // The device is there and said no: asking again changes nothing.
            m_failedUnits.erase(job.unit);
            result.status = FieldResult::Status::Exception;
            result.exceptionCode = error - MODBUS_ENOBASE;
            result.error = QString::fromLocal8Bit(modbus_strerror(error));
            result.data.clear();
            return result;
        }
        result.error = QString::fromLocal8Bit(modbus_strerror(error));
        // A late answer must not be taken for the next one: over TCP the connection goes (a new one
        // starts clean), on a serial line what arrived is thrown away.
        if (m_link.kind == DeviceLink::Kind::ModbusTcp)
            disconnect();
        else if (m_connected)
            modbus_flush(m_context);
    }
    m_failedUnits.insert(job.unit);
    result.status = FieldResult::Status::Failed;
    result.data.clear();
    return result;
}

int FieldLine::attempt(const Job &job, QByteArray &data)
{
    if (!m_connected && !connect())
        return errno ? errno : EIO;
    if (modbus_set_slave(m_context, job.unit) != 0)
        return errno;
    uint16_t registers[maxRegistersPerRead];
    for (const RegisterOperation &op : job.operations) {
        if (op.kind == RegisterOperation::Kind::Read) {
            for (int done = 0; done < op.count; done += maxRegistersPerRead) {
                const int n = std::min(maxRegistersPerRead, op.count - done);
                if (modbus_read_registers(m_context, op.start + done, n, registers) != n)
                    return errno ? errno : EMBMDATA;
                for (int i = 0; i < n; ++i) {
                    data.append(char(registers[i] >> 8));
                    data.append(char(registers[i] & 0xFF));
                }
            }
        } else if (op.kind == RegisterOperation::Kind::WriteEach) {
            for (qsizetype i = 0; i < op.values.size(); ++i) {
                if (modbus_write_register(m_context, op.start + int(i), op.values[i]) != 1)
                    return errno ? errno : EMBMDATA;
            }
        } else {
            for (qsizetype done = 0; done < op.values.size(); done += maxRegistersPerWrite) {
                const int n = int(std::min<qsizetype>(maxRegistersPerWrite, op.values.size() - done));
                if (modbus_write_registers(m_context, op.start + int(done), n,
                                           op.values.constData() + done) != n)
                    return errno ? errno : EMBMDATA;
            }
        }
    }
    return 0;
}

bool FieldLine::connect()
{
    errno = 0;
    if (modbus_connect(m_context) != 0)
        return false;
    m_connected = true;
    if (m_link.kind == DeviceLink::Kind::ModbusRtu)
        modbus_flush(m_context);
    return true;
}

void FieldLine::disconnect()
{
    if (m_connected)
        modbus_close(m_context);
    m_connected = false;
}

} // namespace korvel::server
