#include "values/DataAge.h"

#include "core/Environment.h"
#include "core/Screen.h"

#include <QLocale>

namespace korvel
{

namespace
{
const QString label = QStringLiteral("LblSonVeri");

// The user's long time format without its time zone.
QString timeOfDay(const QDateTime &now)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QStringLiteral(" t")).remove(QLatin1Char('t'));
    return QLocale().toString(now.time(), format.trimmed());
}
} // namespace

DataAge::DataAge(Screen &screen, Environment &environment, QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment)
{
}

void DataAge::dataArrived()
{
    m_screen.setCaption(label, QStringLiteral("Son veri: ") + timeOfDay(m_environment.now()));
    if (m_dimmed) {
        m_dimmed = false;
        m_screen.setViewsDimmed(false);
    }
}

void DataAge::linkLost()
{
    if (m_dimmed)
        return;
    m_dimmed = true;
    m_screen.setViewsDimmed(true);
}

} // namespace korvel
