#pragma once

#include "app/CommandLine.h"

namespace korvel
{

// `korvel --export-csv` and `--export-events`: writes the device's samples, or the events as the
// "Olaylar" window writes them (newest first), to the file with no window and no display. Returns
// the exit code: 0 done, 2 a bad argument (a history file that is missing or no database), 1 a file
// that cannot be written; `error` says why.
int exportCsv(const Startup::Export &request, const QString &historyFile, QString &error);

// The history file the client records into when the command line names none.
QString defaultHistoryFile();

} // namespace korvel
