#include "directory/DataAge.h"

#include "core/Screen.h"
#include "directory/ViewData.h"

#include <QLocale>

namespace korvel
{

namespace
{
const QString label = QStringLiteral("LblSonVeri");

// The user's long time format without its time zone.
QString timeOfDay(const QDateTime &time)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QStringLiteral(" t")).remove(QLatin1Char('t'));
    return QLocale().toString(time.time(), format.trimmed());
}
} // namespace

DataAge::DataAge(Screen &screen, RequestLedger &ledger, QObject *parent) : QObject(parent), m_screen(screen)
{
    connect(&ledger, &RequestLedger::arrived, this, &DataAge::arrived);
}

void DataAge::arrived(const Arrival &arrival)
{
    const QList<int> pages = ViewData::pagesShowing(arrival.kind);
    if (pages.isEmpty())
        return;
    m_times[int(arrival.kind)] = arrival.time;
    for (int page : pages)
        m_screen.setPageDimmed(page, false);
    showAge();
}

void DataAge::showAge()
{
    QDateTime newest;
    for (DataKind kind : ViewData::kindsShownOn(m_screen.activePage())) {
        if (const QDateTime &t = m_times[int(kind)]; t.isValid() && (!newest.isValid() || t > newest))
            newest = t;
    }
    m_screen.setCaption(label,
                        newest.isValid() ? QStringLiteral("Son veri: ") + timeOfDay(newest) : QString());
}

void DataAge::deviceSelected()
{
    for (QDateTime &t : m_times)
        t = QDateTime();
    m_screen.setCaption(label, QString());
}

void DataAge::pageChanged()
{
    showAge();
}

void DataAge::linkLost()
{
    m_screen.setViewsDimmed(true);
}

} // namespace korvel
