#pragma once

#include <QString>

class QBoxLayout;
class QDateTime;
class QLocale;
class QWidget;

namespace korvel
{

// The values a meter page shows, saved as CSV the way every export of the client writes it: one row
// with "Zaman", "Cihaz", then one column per display, named as the page names it with its unit in
// brackets ("Aktif (kWh)", "Aktif T1 (KWH)"). A display that holds a plain decimal number is written in
// the export's decimal mark, whichever mark the display shows; dates, times and other texts as shown.
namespace MeterCsv
{

// Returns an error text, or an empty one when the file was written whole.
QString save(const QWidget &page, const QString &device, const QDateTime &at, const QLocale &locale,
             const QString &path);

// A "CSV olarak kaydet" button in row that asks for a file and saves page; the device is the serial
// number in the window's "Edit5".
void addButton(QWidget *page, QBoxLayout *row, const QString &objectName);

} // namespace MeterCsv

} // namespace korvel
