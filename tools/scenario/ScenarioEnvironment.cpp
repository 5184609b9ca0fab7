#include "ScenarioEnvironment.h"

#include "core/Ticker.h"

namespace korvel
{

bool ScenarioEnvironment::fileExists(const QString &name) const
{
    return name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) ? m_sound : true;
}

void ScenarioEnvironment::playSound(const QString &fileName)
{
    if (!fileExists(fileName))
        return;
    m_plays << fileName;
    m_sounding = true;
}

Ticker *ScenarioEnvironment::makeTicker(const QString &name, int intervalMs, QObject *parent)
{
    auto *ticker = new Ticker(name, intervalMs, Ticker::Mode::Manual, parent);
    m_tickers.insert(name, ticker);
    return ticker;
}

bool ScenarioEnvironment::ask(const QString &text)
{
    recordBox(text);
    if (m_answers.empty()) {
        m_unanswered = text;
        return false;
    }
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

} // namespace korvel
