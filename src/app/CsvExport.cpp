#include "app/CsvExport.h"

#include "history/CsvExporter.h"
#include "history/HistoryReader.h"

#include <QStandardPaths>
#include <algorithm>
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
    const auto format = history::CsvExporter::formatFor(QLocale::system());
    error = history::CsvExporter::save(request.file, [&](QIODevice &out) {
        if (!request.events)
            return history::CsvExporter::write(reader, out, request.device, from, to, format);
        std::vector<history::Event> events = reader.events(request.device, {}, from, to);
        std::reverse(events.begin(), events.end());
        return history::CsvExporter::writeEvents(out, events, format);
    });
    if (!error.isEmpty()) {
        error = QStringLiteral("cannot write %1: %2").arg(request.file, error);
        return 1;
    }
    return 0;
}

} // namespace korvel
