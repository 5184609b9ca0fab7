#include "ModbusSimulator.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csignal>
#include <sys/prctl.h>

namespace korvel::server::test
{

bool ModbusSimulator::start(const QStringList &arguments)
{
    stop();
    m_output.clear();
    // Debian's own python3, where python3-pymodbus is installed.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test killed on the way (a broken pipe, a timeout) leaves no simulator behind.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    QStringList{QStringLiteral(KORVEL_MODBUS_SIMULATOR)} + arguments);
    const QDeadlineTimer deadline(10'000);
    while (!deadline.hasExpired() && m_process.waitForReadyRead(int(deadline.remainingTime()))) {
        m_output += m_process.readAllStandardOutput();
        const qsizetype end = m_output.indexOf('\n');
        if (end < 0)
            continue;
        const QList<QByteArray> words = m_output.left(end).split(' ');
        m_output.remove(0, end + 1);
        if (words.size() != 3 || words[0] != "ready")
            return false;
        if (words[1] == "tcp") {
            m_port = quint16(words[2].toUInt());
            m_address = QStringLiteral("127.0.0.1:%1").arg(m_port);
        } else {
            m_address = QString::fromUtf8(words[2]);
        }
        return true;
    }
    return false;
}

void ModbusSimulator::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QStringList ModbusSimulator::writes()
{
    m_process.waitForReadyRead(0);
    m_output += m_process.readAllStandardOutput();
    QStringList lines;
    // Only whole lines: a read may end in the middle of one.
    const QList<QByteArray> pieces = m_output.left(m_output.lastIndexOf('\n') + 1).split('\n');
    for (const QByteArray &line : pieces) {
        if (line.startsWith("written "))
            lines.append(QString::fromLatin1(line.mid(8)));
    }
    return lines;
}

QByteArray ModbusSimulator::image(const QList<QPair<int, QList<quint16>>> &blocks)
{
    QJsonObject object;
    for (const auto &[start, values] : blocks) {
        QJsonArray array;
        for (quint16 v : values)
            array.append(int(v));
        object.insert(QString::number(start), array);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QList<quint16> ModbusSimulator::registersOf(const QByteArray &bytes)
{
    QList<quint16> registers;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        registers.append(quint16(quint8(bytes[i]) << 8 | quint8(bytes[i + 1])));
    return registers;
}

} // namespace korvel::server::test
