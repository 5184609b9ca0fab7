#include "app/CsvExport.h"

#include "history/CsvExporter.h"
#include "history/HistoryReader.h"

#include <QStandardPaths>
#include <limits>

namespace korvel
{

QString defaultHistoryFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/history.sqlite");
}

int exportCsv(const Startup::Export &request, const QString &historyFile, QString &error)
{
    history::HistoryReader reader(historyFile);
    if (!reader.open()) {
        error = QStringLiteral("cannot read the history file %1: %2").arg(historyFile, reader.errorText());
        return 2;
    }
    const qint64 from = request.from.isValid() ? request.from.toMSecsSinceEpoch() : 0;
    const qint64 to =
        request.to.isValid() ? request.to.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max();
    // Written beside and renamed when complete: a failed export leaves no half file behind.
    error = history::CsvExporter::save(request.file, [&](QIODevice &out) {
        return history::CsvExporter::write(reader, out, request.device, from, to,
                                           history::CsvExporter::formatFor(QLocale::system()));
    });
    if (!error.isEmpty()) {
        error = QStringLiteral("cannot write %1: %2").arg(request.file, error);
        return 1;
    }
    return 0;
}

} // namespace korvel
