#include "history/RecordingFaults.h"

#include "core/Screen.h"
#include "history/HistoryStore.h"

#include <utility>

namespace korvel::history
{

RecordingFaults::RecordingFaults(HistoryStore &store, Screen &screen, std::function<qint64()> now)
    : QObject(&store), m_store(store), m_screen(screen), m_now(std::move(now))
{
    connect(&store, &HistoryStore::message, this, &RecordingFaults::onMessage);
    connect(&store, &HistoryStore::recordingResumed, this, &RecordingFaults::onResumed);
}

void RecordingFaults::show(const QString &text)
{
    m_screen.setCaption(statusLine, text);
    m_screen.setVisible(statusBar, !text.isEmpty());
}

void RecordingFaults::onMessage(const QString &text)
{
    show(text);
    m_screen.notify(QStringLiteral("Geçmiş kaydı"), text);
    const Event event{m_now(), QString(), EventKind::Recording, text, QString()};
    if (m_store.state() == HistoryStore::State::Stopped)
        m_unwritten = text;
    else
        m_store.addEvent(event);
}

void RecordingFaults::onResumed()
{
    show(QString());
    if (!m_unwritten.isEmpty())
        m_store.addEvent(
            {m_now(), QString(), EventKind::Recording, std::exchange(m_unwritten, {}), QString()});
    m_store.addEvent({m_now(), QString(), EventKind::Recording,
                      QStringLiteral("Geçmiş kaydı yeniden başladı"), QString()});
}

} // namespace korvel::history
