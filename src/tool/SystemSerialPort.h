#pragma once

#include "tool/SerialPort.h"

class QSerialPort;

namespace korvel
{

// A serial port of the operating system ("COM5", "/dev/ttyUSB0", a pseudo-terminal).
class SystemSerialPort final : public SerialPort
{
    Q_OBJECT
public:
    explicit SystemSerialPort(const QString &name, QObject *parent = nullptr);

    QString name() const override;
    bool open() override;
    void close() override;
    bool isOpen() const override;
    QString errorString() const override;
    bool writeByte(char byte) override;
    qint64 bytesAvailable() const override;
    std::optional<QByteArray> read(qint64 maxBytes) override;

private:
    void onError();

    QString m_name; // as given: QSerialPort shortens "/dev/ttyUSB0" to "ttyUSB0"
    QSerialPort *m_port;
    bool m_closePending = false;
    quint64 m_opening = 0;
};

} // namespace korvel
