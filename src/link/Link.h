#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace korvel
{

// The byte stream to the data server. The program uses a TCP socket; the scenario runner an in-memory
// link it drives itself. Notifications arrive on the user-interface thread.
class Link : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts opening a connection; false when it fails at once.
    virtual bool open(const QString &host, quint16 port) = 0;
    virtual bool isConnected() const = 0;
    // Writes the whole message in one call; dropped while not connected or while the link would block.
    virtual void write(const QByteArray &bytes) = 0;
    // Every byte buffered now.
    virtual QByteArray readAll() = 0;
    // Drops a connection attempt or a connection.
    virtual void abort() = 0;

Q_SIGNALS:
    void connected();
    void disconnected();
    void errorOccurred(const QString &message);
    void readyRead();
};

} // namespace korvel
