#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace korvel::server::test
{

// The pymodbus field analyzer of modbus_simulator.py in a process of its own: started with its
// arguments, it serves once it has said where; writes it received are read back from its output.
class ModbusSimulator final
{
public:
    ModbusSimulator() = default;
    ~ModbusSimulator() { stop(); }
    ModbusSimulator(const ModbusSimulator &) = delete;
    ModbusSimulator &operator=(const ModbusSimulator &) = delete;

    // False when it did not serve within ten seconds.
    bool start(const QStringList &arguments);
    // Killed, as a device that loses its power.
    void stop();
    // "127.0.0.1:PORT" or the pseudo-terminal's path, as a device's link names it.
    const QString &address() const { return m_address; }
    quint16 port() const { return m_port; }
    // The writes it received so far, "UNIT ADDRESS V1 V2 ...".
    QStringList writes();

    // A JSON image file of registers for --image: start register to values.
    static QByteArray image(const QList<QPair<int, QList<quint16>>> &blocks);
    // Registers of bytes, two a register, the first the high byte.
    static QList<quint16> registersOf(const QByteArray &bytes);

private:
    QProcess m_process;
    QString m_address;
    quint16 m_port = 0;
    QByteArray m_output;
};

} // namespace korvel::server::test
