#pragma once

#include <QObject>

class QSocketNotifier;

namespace korvel::server
{

// Turns SIGINT and SIGTERM into a Qt signal on the event loop, so that the server stops between two
// events instead of inside one.
class SignalWatcher final : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

Q_SIGNALS:
    void stopRequested(int signalNumber);

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace korvel::server
