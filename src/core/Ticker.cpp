#include "core/Ticker.h"

#include <QTimer>

namespace korvel
{

Ticker::Ticker(const QString &name, int intervalMs, Mode mode, QObject *parent)
    : QObject(parent), m_name(name), m_interval(intervalMs)
{
    setObjectName(name);
    if (mode == Mode::Real) {
        m_timer = new QTimer(this);
        m_timer->setInterval(intervalMs);
        connect(m_timer, &QTimer::timeout, this, &Ticker::ticked);
    }
}

bool Ticker::isActive() const
{
    return m_timer ? m_timer->isActive() : m_manualActive;
}

void Ticker::setInterval(int intervalMs)
{
    m_interval = intervalMs;
    if (m_timer)
        m_timer->setInterval(intervalMs);
}

void Ticker::start()
{
    if (m_timer)
        m_timer->start();
    else
        m_manualActive = true;
}

void Ticker::stop()
{
    if (m_timer)
        m_timer->stop();
    else
        m_manualActive = false;
}

void Ticker::fire()
{
    if (isActive())
        Q_EMIT ticked();
}

} // namespace korvel
