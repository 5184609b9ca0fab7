#pragma once

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QIODevice;

namespace korvel::history
{

class HistoryReader;
struct Event;

// Writes a device's samples as CSV for spreadsheets (RFC 4180 with CRLF line ends, UTF-8 with a
// byte-order mark so that "ş" and "İ" read right): "Zaman" (local time, ISO 8601 to the second),
// "Cihaz", then one column per quantity, empty where the reply carried no value.
class CsvExporter final
{
public:
    struct Format {
        QChar separator;
        QChar decimalMark;
    };
    // In a locale whose decimal mark is "," fields are separated by ";", else by ",".
    static Format formatFor(const QLocale &locale);
    // A field, quoted when it holds the separator, a quote or a line break.
    static QString field(const QString &text, QChar separator);
    // The shortest text that reads back as the same value: a value decoded from a single is written as
    // that single, so 231.1 stays 231.1.
    static QString number(double value, QChar decimalMark);

    // Rows in arrival order; a device with no samples gives the header only. `only` keeps those
    // quantities (by index, in that order), all when empty. Returns an error text, or an empty one on
    // success.
    static QString write(HistoryReader &reader, QIODevice &out, const QString &device, qint64 fromMs,
                         qint64 toMs, Format format, const std::vector<int> &only = {});

    // Local time, ISO 8601 to the second, as every export writes it.
    static QString time(qint64 ms);
    // Any table: the header and rows as given (texts, quoted where needed). Returns an error text, or
    // an empty one on success.
    static QString writeTable(QIODevice &out, const QStringList &header, const std::vector<QStringList> &rows,
                              Format format);
    // Events newest first: "Zaman", "Cihaz", "Tür", "Metin", "Onaylayan", "Onay zamanı".
    static QString writeEvents(QIODevice &out, const std::vector<Event> &events, Format format);

    // Writes a file whole or not at all: `write` fills it beside the target, which is renamed only when
    // everything was written. Returns an error text, or an empty one on success.
    static QString save(const QString &path, const std::function<QString(QIODevice &out)> &write);
};

} // namespace korvel::history
