#include "tool/SystemSerialPort.h"

#include <QSerialPort>

namespace korvel
{

SystemSerialPort::SystemSerialPort(const QString &name, QObject *parent)
    : SerialPort(parent), m_name(name), m_port(new QSerialPort(name, this))
{
    m_port->setBaudRate(QSerialPort::Baud9600);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    connect(m_port, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &SystemSerialPort::onError);
}

QString SystemSerialPort::name() const
{
    return m_name;
}

bool SystemSerialPort::open()
{
    // A close still queued for an earlier opening must not close this one.
    ++m_opening;
    if (!m_port->open(QIODevice::ReadWrite))
        return false;
    // Lines without modem signals (a pseudo-terminal) refuse these; that is no reason not to talk.
    m_port->setDataTerminalReady(true);
    m_port->setRequestToSend(true);
    m_port->clearError();
    return true;
}

void SystemSerialPort::close()
{
    if (m_port->isOpen())
        m_port->close();
}

bool SystemSerialPort::isOpen() const
{
    return m_port->isOpen();
}

QString SystemSerialPort::errorString() const
{
    return m_port->errorString();
}

bool SystemSerialPort::writeByte(char byte)
{
    return m_port->write(&byte, 1) == 1;
}

qint64 SystemSerialPort::bytesAvailable() const
{
    return m_port->bytesAvailable();
}

std::optional<QByteArray> SystemSerialPort::read(qint64 maxBytes)
{
    if (!m_port->isOpen())
        return std::nullopt;
    QByteArray bytes = m_port->read(maxBytes);
    if (bytes.isEmpty() && m_port->error() == QSerialPort::ReadError)
        return std::nullopt;
    return bytes;
}

void SystemSerialPort::onError()
{
    const QSerialPort::SerialPortError error = m_port->error();
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (m_closePending || !m_port->isOpen())
        return;
    // When the other end goes away the port keeps signalling readable and every read fails: without the
    // close the client would spin on it. The close waits until QSerialPort has left its notification.
    m_closePending = true;
    QMetaObject::invokeMethod(
        this,
        [this, opening = m_opening] {
            m_closePending = false;
            if (opening != m_opening || !m_port->isOpen())
                return;
            m_port->close();
            Q_EMIT readFailed();
        },
        Qt::QueuedConnection);
}

} // namespace korvel
