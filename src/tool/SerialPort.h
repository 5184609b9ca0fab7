#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

namespace korvel
{

// The serial line of the tool window. The program uses a system port; the scenario runner an in-memory
// one it drives itself. Notifications arrive on the user-interface thread.
class SerialPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QString name() const = 0;
    // Opens the port at 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control, with DTR and RTS
    // asserted where the line has them; false when it cannot be opened, with the reason in errorString().
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString errorString() const = 0;
    // One byte; false when it could not be written.
    virtual bool writeByte(char byte) = 0;
    // Bytes received and not yet read.
    virtual qint64 bytesAvailable() const = 0;
    // Up to maxBytes of them, oldest first; no value when reading fails.
    virtual std::optional<QByteArray> read(qint64 maxBytes) = 0;

Q_SIGNALS:
    void readyRead();
    // Reading failed, as when the other end has gone away; the port is closed by then.
    void readFailed();
};

} // namespace korvel
