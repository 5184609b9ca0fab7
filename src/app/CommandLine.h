#pragma once

#include "link/Connection.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace korvel
{

class Client;

// Set by --export-csv (a device's samples) or --export-events (the events, of one device or all):
// write them as CSV and end, with no window. A class of its own, not nested: a nested one's member
// initialisers are not yet usable where the enclosing class declares its optional.
struct ExportRequest {
    QString file;
    QString device;
    QDateTime from;
    QDateTime to;
    bool events = false;
};

// What the command line asks of the client: the login window's server, and steps to take once the
// client is built.
struct Startup {
    ServerAddress address;
    // The tool window's serial port.
    QString serialPort = QStringLiteral("COM5");
    std::vector<std::function<void(Client &)>> steps;
    // The history file; empty: the user's data folder.
    QString historyFile;
    using Export = ExportRequest;
    std::optional<Export> csvExport;
    // Set by --report: write the monthly report as PDF and end, with no window.
    struct Report {
        QString file;
        QDate month; // its first day; invalid until --month gives it
    };
    std::optional<Report> report;
    // --device, as often as given: the device of the export, the devices of the report.
    QStringList devices;

    void applyTo(Client &client) const
    {
        for (const auto &step : steps)
            step(client);
    }
};

// The program's options, one table entry each (CommandLine.cpp). `--help` and `--version` end the
// program with their text; a bad value ends it with a message and exit code 2.
class CommandLine final
{
public:
    struct Result {
        Startup startup;
        // Set when the program should print `text` and end with this code instead of starting.
        int exitCode = -1;
        QString text;
    };

    static Result parse(const QStringList &arguments);
};

} // namespace korvel
