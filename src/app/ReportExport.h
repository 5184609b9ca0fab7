#pragma once

#include "app/CommandLine.h"

namespace korvel
{

// `korvel --report`: writes the monthly report of the history as PDF, with no window. Needs a
// QGuiApplication (fonts); the offscreen platform serves where there is no display. Returns the exit
// code: 0 done, 2 a history file that is missing or no database, 1 a file that cannot be written.
int writeReport(const Startup &startup, const QString &historyFile, QString &error);

} // namespace korvel
