#include "history/HistoryDatabase.h"

#include "history/Quantities.h"

#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <vector>

namespace korvel::history
{

namespace
{
std::atomic<int> connectionCount{0};

QString minuteColumnsDecl()
{
    QString columns;
    for (std::size_t i = 0; i < quantities().size(); ++i)
        columns += QStringLiteral(",n%1 REAL,x%1 REAL").arg(i);
    return columns;
}
} // namespace

QString eventKindName(EventKind kind)
{
    switch (kind) {
    case EventKind::Input:
        return QStringLiteral("Giriş alarmı");
    case EventKind::Message:
        return QStringLiteral("Mesaj");
    case EventKind::MeterReadout:
        return QStringLiteral("Sayaç okuma");
    case EventKind::PeriodReport:
        return QStringLiteral("Dönem raporu");
    case EventKind::Penalty:
        return QStringLiteral("Ceza/Kritik");
    case EventKind::LinkLost:
        return QStringLiteral("Bağlantı koptu");
    case EventKind::LinkUp:
        return QStringLiteral("Bağlantı geldi");
    case EventKind::PenaltyRisk:
        return QStringLiteral("Ceza riski");
    case EventKind::Recording:
        return QStringLiteral("Geçmiş kaydı");
    }
    return QStringLiteral("Olay %1").arg(int(kind));
}

QString eventText(const Event &event)
{
    QString text;
    switch (event.kind) {
    case EventKind::Input:
        text = event.body;
        break;
    case EventKind::Message:
        text = event.body.isEmpty() ? event.title : event.title + QStringLiteral(": ") + event.body;
        break;
    case EventKind::PeriodReport:
        text = event.title + QStringLiteral(" — ") + event.body;
        break;
    default:
        text = event.title;
        break;
    }
    return text.replace(u'\t', QStringLiteral(" / ")).simplified();
}

QString HistoryDatabase::sampleColumns()
{
    QString columns;
    for (std::size_t i = 0; i < quantities().size(); ++i)
        columns += (i ? QStringLiteral(",q") : QStringLiteral("q")) + QString::number(i);
    return columns;
}

QString HistoryDatabase::minuteUpsert(const QString &source)
{
    QString columns, update;
    for (std::size_t i = 0; i < quantities().size(); ++i) {
        const QString n = QStringLiteral("n%1").arg(i), x = QStringLiteral("x%1").arg(i);
        columns += QStringLiteral(",%1,%2").arg(n, x);
        // min() and max() of SQLite give NULL when either side is NULL; a minute without a value has none.
        update += QStringLiteral("%3%1=min(coalesce(%1,excluded.%1),coalesce(excluded.%1,%1)),"
                                 "%2=max(coalesce(%2,excluded.%2),coalesce(excluded.%2,%2))")
                      .arg(n, x, i ? QStringLiteral(",") : QString());
    }
    return QStringLiteral("INSERT INTO sample_minute(device,m%1) %2 ON CONFLICT(device,m) DO UPDATE SET %3")
        .arg(columns, source, update);
}

HistoryDatabase::HistoryDatabase(const QString &file, bool readOnly)
    : m_connection(QStringLiteral("korvel-history-%1").arg(++connectionCount)), m_readOnly(readOnly)
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_db.setDatabaseName(file);
    // A writer that meets another connection's lock waits briefly instead of failing at once.
    m_db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000")
                                    : QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
}

HistoryDatabase::~HistoryDatabase()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}

void HistoryDatabase::noteError(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    m_errorCode = ok ? (code & 0xff) : IoError;
    m_errorText = error.text();
}

bool HistoryDatabase::exec(const QString &sql)
{
    QSqlQuery query(m_db);
    if (query.exec(sql))
        return true;
    noteError(query.lastError());
    return false;
}

bool HistoryDatabase::open()
{
    if (!m_db.open()) {
        noteError(m_db.lastError());
        return false;
    }
    // Reading the schema is the first touch of the file: a file that is no database fails here.
    if (!exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        return false;
    if (m_readOnly)
        return true;
    // Incremental vacuum lets the retention give pages back; it only takes effect on a new file.
    const QString schema[] = {
        QStringLiteral("PRAGMA auto_vacuum=INCREMENTAL"),
        QStringLiteral("PRAGMA journal_mode=WAL"),
        // In WAL mode a commit survives the process being killed; only a power cut may lose the last ones.
        QStringLiteral("PRAGMA synchronous=NORMAL"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS device(id INTEGER PRIMARY KEY, serial TEXT UNIQUE NOT NULL)"),
        // One row per reply, one column per quantity (NULL where the reply carried none); the id is the
        // arrival order, which a clock set back does not disturb.
        QStringLiteral("CREATE TABLE IF NOT EXISTS sample(id INTEGER PRIMARY KEY, device INTEGER NOT NULL, "
                       "t INTEGER NOT NULL, %1)")
            .arg(sampleColumns().replace(u',', QStringLiteral(" REAL,")) + QStringLiteral(" REAL")),
        QStringLiteral("CREATE INDEX IF NOT EXISTS sample_device_t ON sample(device, t)"),
        // The least and greatest value of each quantity per device and minute: a month is drawn from
        // 43,200 of these instead of half a million samples.
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS sample_minute(device INTEGER NOT NULL, m INTEGER NOT NULL%1, "
            "PRIMARY KEY(device, m)) WITHOUT ROWID")
            .arg(minuteColumnsDecl()),
        QStringLiteral("CREATE TABLE IF NOT EXISTS event(id INTEGER PRIMARY KEY, t INTEGER NOT NULL, "
                       "device TEXT NOT NULL, kind INTEGER NOT NULL, title TEXT, body TEXT, "
                       "acked_by TEXT, acked_at INTEGER)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS event_device_kind_t ON event(device, kind, t)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS setting(key TEXT PRIMARY KEY, value)"),
        // Energy counters as they arrived, and the energy per device and local day that the forecast and
        // the monthly report read: a month is some thirty rows instead of half a million readings.
        QStringLiteral("CREATE TABLE IF NOT EXISTS energy(id INTEGER PRIMARY KEY, device INTEGER NOT NULL, "
                       "t INTEGER NOT NULL, source INTEGER NOT NULL, active REAL, inductive REAL, "
                       "capacitive REAL)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS energy_device_source_t ON energy(device, source, t)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS energy_day(device INTEGER NOT NULL, day INTEGER NOT NULL, "
                       "active REAL NOT NULL, inductive REAL NOT NULL, capacitive REAL NOT NULL, "
                       "covered INTEGER NOT NULL, PRIMARY KEY(device, day)) WITHOUT ROWID"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS device_info(serial TEXT PRIMARY KEY, caption TEXT, "
                       "grp TEXT, kind INTEGER)"),
    };
    for (const QString &sql : schema) {
        if (!exec(sql))
            return false;
    }
    // Samples the summary has not seen (a file written before it existed, or the minute in progress when
    // a client was killed) are summarised now, once; device by device, so that each is a range of the
    // index and not a scan of every sample.
    QString aggregates;
    for (std::size_t i = 0; i < quantities().size(); ++i)
        aggregates += QStringLiteral(",min(q%1),max(q%1)").arg(i);
    std::vector<std::pair<qint64, qint64>> pending;
    {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT id,(SELECT coalesce(max(m),-1) FROM sample_minute WHERE "
                                   "device=device.id) FROM device"))) {
            noteError(q.lastError());
            return false;
        }
        while (q.next())
            pending.emplace_back(q.value(0).toLongLong(), q.value(1).toLongLong());
    }
    for (const auto &[device, minute] : pending) {
        if (!exec(minuteUpsert(QStringLiteral("SELECT device,t/60000 AS m%1 FROM sample WHERE device=%2 AND "
                                              "t >= %3 GROUP BY device,m")
                                   .arg(aggregates)
                                   .arg(device)
                                   .arg(minute * 60000))))
            return false;
    }
    // Files written before acknowledgements were kept lack their columns.
    QSqlQuery info(m_db);
    bool hasAck = false;
    if (info.exec(QStringLiteral("PRAGMA table_info(event)"))) {
        while (info.next())
            hasAck = hasAck || info.value(1).toString() == QLatin1String("acked_by");
    }
    if (!hasAck && !(exec(QStringLiteral("ALTER TABLE event ADD COLUMN acked_by TEXT")) &&
                     exec(QStringLiteral("ALTER TABLE event ADD COLUMN acked_at INTEGER"))))
        return false;
    return true;
}

} // namespace korvel::history
