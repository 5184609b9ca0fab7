#pragma once

#include "core/Environment.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <deque>

namespace korvel
{

// The environment of a scenario: a fixed clock, a set Internet answer, timers that tick only when told
// and message boxes that are recorded instead of shown.
class ScenarioEnvironment final : public Environment
{
public:
    QDateTime now() const override { return m_now; }
    bool internetAvailable() override { return m_internet; }
    bool fileExists(const QString &name) const override;
    // Plays are recorded, not heard; a file that the scenario says is missing cannot play.
    void playSound(const QString &fileName) override;
    void stopSound() override { m_sounding = false; }
    Ticker *makeTicker(const QString &name, int intervalMs, QObject *parent) override;
    // Time passes only when told: a received chunk is handled whole before the next line runs.
    std::chrono::nanoseconds dispatchSlice() const override { return std::chrono::nanoseconds::max(); }
    void showError(const QString &text) override { recordBox(text); }
    void showInfo(const QString &text) override { recordBox(text); }
    bool ask(const QString &text) override;

    void setNow(const QDateTime &now) { m_now = now; }
    // Without a file the client records no history: a scenario never writes the user's data folder.
    QString historyFile() const override { return m_historyFile; }
    void setHistoryFile(const QString &file) { m_historyFile = file; }
    void setInternet(bool available) { m_internet = available; }
    void setSound(bool exists) { m_sound = exists; }
    void queueAnswer(bool yes) { m_answers.push_back(yes); }
    Ticker *ticker(const QString &name) const { return m_tickers.value(name); }

    // Files played since the last check; takes them.
    QStringList takePlays() { return std::exchange(m_plays, {}); }
    // A play started and was not stopped since.
    bool sounding() const { return m_sounding; }

    // Boxes since the last check; takes them.
    QStringList takeBoxes() { return std::exchange(m_boxes, {}); }
    // A question came with no answer ready.
    QString unansweredQuestion() const { return m_unanswered; }

private:
    void recordBox(const QString &text) { m_boxes << text; }

    QDateTime m_now = QDateTime(QDate(2026, 1, 15), QTime(10, 30, 0));
    QString m_historyFile;
    bool m_internet = true;
    bool m_sound = true;
    std::deque<bool> m_answers;
    QStringList m_boxes;
    QStringList m_plays;
    bool m_sounding = false;
    QString m_unanswered;
    QHash<QString, QPointer<Ticker>> m_tickers;
};

} // namespace korvel
