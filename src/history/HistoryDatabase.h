#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <vector>

namespace korvel::history
{

// What an event of the history is.
enum class EventKind {
    Input = 1,        // an input notice: title the inputs' mask, body the inputs that are set
    Message = 2,      // a server message: title and body
    MeterReadout = 3, // a meter readout: title the view's heading, body the readout text
    PeriodReport = 4, // a period report: title the two ratios, body their classes
    Penalty = 5,      // a period report whose class reached "CEZA" or "KRİTİK": title the classes
    LinkLost = 6,     // the link went down: title the reason the status line gave
    LinkUp = 7,       // the link is back after a loss
    PenaltyRisk = 8,  // a month-end forecast rose to a higher class: title the text, body the class number
    Recording = 9,    // the history's own faults: a recording stopped or resumed, a damaged file moved
};

struct Event {
    qint64 timeMs = 0; // arrival, milliseconds since the epoch
    QString device;    // serial number, empty when the event belongs to no device
    EventKind kind = EventKind::Message;
    QString title;
    QString body;
    qint64 id = 0;        // set when read back; the arrival order
    QString ackedBy = {}; // who acknowledged it, empty while nobody has
    qint64 ackedAtMs = 0;
};

// The Turkish name of a kind, as the lists and the export show it.
QString eventKindName(EventKind kind);
// The text of an event as one line: what a person reads in the list of events.
QString eventText(const Event &event);

// A reply's values of one device: one entry per quantity, NaN where the reply carried none.
struct Sample {
    qint64 timeMs = 0;
    QString device;
    std::vector<double> values;
};

// Where a reading of energy counters came from. Only the analyzer's own counters form the per-day
// summary: a period report's totals belong to two dates of the server's, not to the time they arrived.
enum class CounterSource {
    Analyzer = 1,       // value records and consumption replies
    AnalyzerReport = 2, // "reaktifenerji": first and second date
    MeterReport = 3,    // "tedassycal": the electricity meter's totals
};

// The period reports' sources, whose dated totals a month can rest on where the analyzer's own counters
// cover less of it.
inline constexpr CounterSource reportSources[] = {CounterSource::AnalyzerReport, CounterSource::MeterReport};

// Active, inductive and capacitive energy counters of a device at one time.
struct CounterSample {
    qint64 timeMs = 0;
    QString device;
    CounterSource source = CounterSource::Analyzer;
    double active = 0;
    double inductive = 0;
    double capacitive = 0;
};

// What the device list said of a device, kept for what is written without a connection (the report).
struct DeviceInfo {
    QString serial;
    QString caption;
    QString group;
    int kind = -1;
};

// One connection to a history file, closed and removed with the object. Each object has a connection
// name of its own, so several may be open at once (a store and the readers of the windows).
class HistoryDatabase final
{
public:
    // Codes of the SQLite errors the store tells apart.
    enum Code {
        Busy = 5,
        ReadOnly = 8,
        IoError = 10,
        Corrupt = 11,
        Full = 13,
        CantOpen = 14,
        NotADatabase = 26
    };

    HistoryDatabase(const QString &file, bool readOnly);
    ~HistoryDatabase();
    HistoryDatabase(const HistoryDatabase &) = delete;
    HistoryDatabase &operator=(const HistoryDatabase &) = delete;

    // Opens the file, sets WAL mode and, for writing, creates the tables a new file lacks.
    bool open();
    QSqlDatabase &db() { return m_db; }
    // The last error: its SQLite primary code (0 when none) and its text.
    int errorCode() const { return m_errorCode; }
    QString errorText() const { return m_errorText; }
    // Runs a statement with no result; on failure records the error and returns false.
    bool exec(const QString &sql);
    // Records the error of a failed query or transaction.
    void noteError(const class QSqlError &error);

    static QString sampleColumns(); // "q0,q1,..." in quantity order
    // Merges rows (device, minute, then the least and greatest value of each quantity in that minute)
    // into the per-minute summary that long ranges are drawn from; `source` is "VALUES(...)" or a SELECT.
    static QString minuteUpsert(const QString &source);

private:
    QString m_connection;
    QSqlDatabase m_db;
    bool m_readOnly;
    int m_errorCode = 0;
    QString m_errorText;
};

} // namespace korvel::history
