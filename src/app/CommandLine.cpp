#include "app/CommandLine.h"

#include "app/Client.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "ui/ClientWindows.h"
#include "ui/LoginWindow.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

namespace korvel
{

namespace
{

// An option and what its value does; an empty text from `take` accepts it, any other is the error.
struct Option {
    QCommandLineOption option;
    std::function<QString(Startup &, const QString &value)> take;
};

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// An instant of --from or --to: an ISO 8601 date and time, or a date alone, which stands for its first
// (or, as the end of a range, its last) moment; local time.
std::optional<QDateTime> parseInstant(const QString &text, bool end)
{
    const QDateTime t = QDateTime::fromString(text, Qt::ISODate);
    if (t.isValid())
        return t;
    const QDate d = QDate::fromString(text, Qt::ISODate);
    if (d.isValid())
        return end ? d.endOfDay() : d.startOfDay();
    return std::nullopt;
}

Startup::Export &exportOf(Startup &s)
{
    if (!s.csvExport)
        s.csvExport.emplace();
    return *s.csvExport;
}

Startup::Report &reportOf(Startup &s)
{
    if (!s.report)
        s.report.emplace();
    return *s.report;
}

// What goes with what once every option is read; empty when it all fits.
QString checkTogether(Startup &s)
{
    if (s.csvExport && s.report)
        return S("--report and the exports go one at a time");
    if (s.report) {
        if (s.report->file.isEmpty())
            return S("--month goes with --report FILE");
        if (!s.report->month.isValid())
            return S("--report needs --month YYYY-MM");
        return QString();
    }
    if (const auto &e = s.csvExport) {
        if (e->file.isEmpty())
            return S("--device, --from and --to go with --export-csv FILE or --export-events FILE");
        if (s.devices.isEmpty() && !e->events)
            return S("--export-csv needs --device SERIAL");
        if (e->from.isValid() && e->to.isValid() && e->from > e->to)
            return S("--from is later than --to");
        if (!s.devices.isEmpty())
            s.csvExport->device = s.devices.last();
        return QString();
    }
    if (!s.devices.isEmpty())
        return S("--device goes with --export-csv FILE, --export-events FILE or --report FILE");
    return QString();
}

std::vector<Option> options()
{
    return {
        {QCommandLineOption(S("history"),
                            S("History file (default history.sqlite in the user's data folder)."), S("FILE")),
         [](Startup &s, const QString &file) {
             if (file.trimmed().isEmpty())
                 return S("--history needs a file name");
             s.historyFile = file;
             return QString();
         }},
        {QCommandLineOption(S("export-csv"), S("Write a device's history as CSV to FILE and end."),
                            S("FILE")),
         [](Startup &s, const QString &file) {
             if (file.trimmed().isEmpty())
                 return S("--export-csv needs a file name");
             if (s.csvExport && s.csvExport->events)
                 return S("--export-csv and --export-events go one at a time");
             exportOf(s).file = file;
             return QString();
         }},
        {QCommandLineOption(
             S("export-events"),
             S("Write the events (of --device SERIAL, or of all devices) as CSV to FILE and end."),
             S("FILE")),
         [](Startup &s, const QString &file) {
             if (file.trimmed().isEmpty())
                 return S("--export-events needs a file name");
             if (s.csvExport && !s.csvExport->file.isEmpty())
                 return S("--export-csv and --export-events go one at a time");
             exportOf(s).file = file;
             exportOf(s).events = true;
             return QString();
         }},
        {QCommandLineOption(S("device"),
                            S("Serial number of the device to export, or of a device of the report (may be "
                              "given more than once)."),
                            S("SERIAL")),
         [](Startup &s, const QString &serial) {
             if (serial.trimmed().isEmpty())
                 return S("--device needs a serial number");
             s.devices << serial.trimmed();
             return QString();
         }},
        {QCommandLineOption(S("report"), S("Write the monthly report of --month as PDF to FILE and end."),
                            S("FILE")),
         [](Startup &s, const QString &file) {
             if (file.trimmed().isEmpty())
                 return S("--report needs a file name");
             reportOf(s).file = file;
             return QString();
         }},
        {QCommandLineOption(S("month"), S("The month of the report (YYYY-MM)."), S("YYYY-MM")),
         [](Startup &s, const QString &text) {
             const QDate first = QDate::fromString(text.trimmed() + S("-01"), Qt::ISODate);
             if (!first.isValid())
                 return S("--month needs a month such as 2026-11, not \"%1\"").arg(text);
             reportOf(s).month = first;
             return QString();
         }},
        {QCommandLineOption(S("from"), S("Export from this time (YYYY-MM-DD[THH:MM:SS], local time)."),
                            S("TIME")),
         [](Startup &s, const QString &text) {
             const auto t = parseInstant(text, false);
             if (!t)
                 return S("--from needs a date or time such as 2026-01-15T10:30:00, not \"%1\"").arg(text);
             exportOf(s).from = *t;
             return QString();
         }},
        {QCommandLineOption(S("to"), S("Export up to this time (YYYY-MM-DD[THH:MM:SS], local time)."),
                            S("TIME")),
         [](Startup &s, const QString &text) {
             const auto t = parseInstant(text, true);
             if (!t)
                 return S("--to needs a date or time such as 2026-01-15T10:30:00, not \"%1\"").arg(text);
             exportOf(s).to = *t;
             return QString();
         }},
        {QCommandLineOption(S("server"), S("Server host in the login window."), S("HOST")),
         [](Startup &s, const QString &host) {
             if (host.trimmed().isEmpty())
                 return S("--server needs a host name or address");
             s.address.defaultHost = host.trimmed();
             s.address.hostGiven = true;
             return QString();
         }},
        {QCommandLineOption(S("port"), S("Server port in the login window (default 17814)."), S("N")),
         [](Startup &s, const QString &text) {
             const auto port = parseInt32(text);
             if (!port || *port < 1 || *port > 65535)
                 return S("--port needs a number from 1 to 65535, not \"%1\"").arg(text);
             s.steps.push_back([text = QString::number(*port)](Client &c) {
                 c.windows().screen().setCaption(S("TFrmGiris.edtport"), text);
             });
             return QString();
         }},
        {QCommandLineOption(S("tls"), S("Tick \"Güvenli bağlantı (TLS)\" in the login window.")),
         [](Startup &s, const QString &) {
             s.address.tls = true;
             return QString();
         }},
        {QCommandLineOption(S("ca-file"),
                            S("Verify the server's TLS certificate against this authority (PEM) only, "
                              "not the system's."),
                            S("FILE")),
         [](Startup &s, const QString &file) {
             // Read when connecting, so that start-up does not load the TLS library.
             if (!QFileInfo(file).isFile() || !QFileInfo(file).isReadable())
                 return S("--ca-file needs a readable file, not \"%1\"").arg(file);
             s.address.authorityFile = file;
             return QString();
         }},
        {QCommandLineOption(S("serial-port"),
                            S("Serial port of the tool window (default COM5), such as /dev/ttyUSB0."),
                            S("NAME")),
         [](Startup &s, const QString &name) {
             if (name.trimmed().isEmpty())
                 return S("--serial-port needs a port name");
             s.serialPort = name.trimmed();
             return QString();
         }},
        {QCommandLineOption(S("tool"), S("Open the tool window once logged in.")),
         [](Startup &s, const QString &) {
             // As the hidden menu entry "Veri" would, once the modal login window has let go of the input.
             s.steps.push_back([](Client &c) {
                 QObject::connect(
                     &c.windows().login(), &QDialog::finished, &c,
                     [&c] { c.windows().screen().showWindow(S("TVD1KAL")); }, Qt::SingleShotConnection);
             });
             return QString();
         }},
        {QCommandLineOption(S("traffic-log"), S("Show the traffic log window.")),
         [](Startup &s, const QString &) {
             s.steps.push_back([](Client &c) { c.windows().screen().showWindow(S("TFrmhaberlesme")); });
             return QString();
         }},
    };
}

} // namespace

CommandLine::Result CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Korvel: the desktop client of the Korvel remote monitoring service."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const std::vector<Option> table = options();
    for (const Option &o : table)
        parser.addOption(o.option);

    Result result;
    const bool parsed = parser.parse(arguments);
    // Help and version answer whatever else stands on the line.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        result.exitCode = 0;
        // Before the application object exists the parser cannot name the program itself.
        result.text = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                QFileInfo(arguments.value(0)).fileName());
        return result;
    }
    if (parser.isSet(version)) {
        result.exitCode = 0;
        result.text = QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion();
        return result;
    }
    if (!parsed) {
        result.exitCode = 2;
        result.text = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.exitCode = 2;
        result.text = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return result;
    }
    for (const Option &o : table) {
        if (!parser.isSet(o.option))
            continue;
        // An option with a value takes each value given, in order.
        const QStringList values =
            o.option.valueName().isEmpty() ? QStringList{QString()} : parser.values(o.option);
        for (const QString &value : values) {
            if (const QString error = o.take(result.startup, value); !error.isEmpty()) {
                result.exitCode = 2;
                result.text = error;
                return result;
            }
        }
    }
    if (const QString error = checkTogether(result.startup); !error.isEmpty()) {
        result.exitCode = 2;
        result.text = error;
    }
    return result;
}

} // namespace korvel
