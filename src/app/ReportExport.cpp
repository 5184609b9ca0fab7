#include "app/ReportExport.h"

#include "fleet/MonthlyReport.h"

#include <QLocale>

namespace korvel
{

int writeReport(const Startup &startup, const QString &historyFile, QString &error)
{
    return fleet::MonthlyReport::write({startup.report->file, startup.report->month, startup.devices},
                                       historyFile, QLocale::system(), error);
}

} // namespace korvel
