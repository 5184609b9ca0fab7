#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace korvel
{
class Screen;
}

namespace korvel::history
{

class HistoryStore;

// Puts what the history store reports where it stays: the line of the main window's status bar (until
// a stopped recording writes again), a tray notification, and an event in "Olaylar" once the store can
// write one. The transient message label is no place for a recording that stopped.
class RecordingFaults final : public QObject
{
    Q_OBJECT
public:
    static inline const QString statusLine = QStringLiteral("LblGecmis");
    static inline const QString statusBar = QStringLiteral("StatusBar1");

    RecordingFaults(HistoryStore &store, Screen &screen, std::function<qint64()> now);

private:
    void onMessage(const QString &text);
    void onResumed();
    void show(const QString &text);

    HistoryStore &m_store;
    Screen &m_screen;
    std::function<qint64()> m_now;
    // Said while the store could not write it: it goes into the events once it can.
    QString m_unwritten;
};

} // namespace korvel::history
