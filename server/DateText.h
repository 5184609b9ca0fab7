#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace korvel::server
{

// Reads the date texts that common locales' short date formats produce: d.MM.yyyy, dd.MM.yy,
// d MMM yyyy (English or Turkish month abbreviations), M/d/yy, dd/MM/yyyy and yyyy-MM-dd.
// Returns an invalid date for anything else.
namespace DateText
{
QDate parse(const QString &text);
// Midnight at the start of the date, in the time zone of like.
QDateTime startOfDay(QDate date, const QDateTime &like);
} // namespace DateText

} // namespace korvel::server
