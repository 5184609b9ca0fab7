#include "history/HistoryReader.h"

#include "history/Quantities.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cmath>

namespace korvel::history
{

HistoryReader::HistoryReader(const QString &file) : m_file(file) {}

HistoryReader::~HistoryReader() = default;

bool HistoryReader::open()
{
    if (!QFileInfo(m_file).isFile()) {
        m_error = QStringLiteral("no history file %1").arg(m_file);
        return false;
    }
    m_db = std::make_unique<HistoryDatabase>(m_file, true);
    if (m_db->open()) {
        // A range query reads many pages once: mapped, they are read in place instead of copied into
        // the page cache, which makes a month of one quantity about twice as fast.
        m_db->exec(QStringLiteral("PRAGMA mmap_size=1073741824"));
        QSqlQuery q(m_db->db());
        m_hasMinutes =
            q.exec(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name='sample_minute'")) && q.next();
        return true;
    }
    m_error = m_db->errorText();
    m_db.reset();
    return false;
}

QString HistoryReader::errorText() const
{
    return m_error;
}

bool HistoryReader::forEachSample(const QString &device, qint64 fromMs, qint64 toMs,
                                  const std::function<void(qint64, const std::vector<double> &)> &visit)
{
    QSqlQuery q(m_db->db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT t,%1 FROM sample WHERE device=(SELECT id FROM device WHERE serial=?) "
                             "AND t BETWEEN ? AND ? ORDER BY id")
                  .arg(HistoryDatabase::sampleColumns()));
    q.addBindValue(device);
    q.addBindValue(fromMs);
    q.addBindValue(toMs);
    if (!q.exec()) {
        m_error = q.lastError().text();
        return false;
    }
    const int n = int(quantities().size());
    std::vector<double> values(std::size_t(n), 0.0);
    while (q.next()) {
        for (int i = 0; i < n; ++i) {
            const QVariant v = q.value(i + 1);
            values[std::size_t(i)] = v.isNull() ? std::nan("") : v.toDouble();
        }
        visit(q.value(0).toLongLong(), values);
    }
    return true;
}

std::vector<HistoryReader::Point> HistoryReader::series(const QString &device, int quantity, qint64 fromMs,
                                                        qint64 toMs)
{
    std::vector<Point> points;
    QSqlQuery q(m_db->db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT t,q%1 FROM sample WHERE device=(SELECT id FROM device WHERE serial=?) "
                             "AND t BETWEEN ? AND ? AND q%1 IS NOT NULL ORDER BY t, id")
                  .arg(quantity));
    q.addBindValue(device);
    q.addBindValue(fromMs);
    q.addBindValue(toMs);
    if (q.exec()) {
        while (q.next())
            points.push_back({q.value(0).toLongLong(), q.value(1).toDouble()});
    }
    return points;
}

std::vector<HistoryReader::Column> HistoryReader::decimated(const QString &device, int quantity,
                                                            qint64 fromMs, qint64 toMs, int columns)
{
    std::vector<Column> result;
    if (columns <= 0 || toMs < fromMs || quantity < 0 || quantity >= int(quantities().size()))
        return result;
    const qint64 span = toMs - fromMs + 1;
    const auto run = [&](QSqlQuery &q, const QList<QVariant> &binds) {
        for (const QVariant &v : binds)
            q.addBindValue(v);
        if (!q.exec())
            return;
        while (q.next()) {
            const Column c{q.value(0).toInt(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                           q.value(3).toDouble(), q.value(4).toDouble()};
            if (!result.empty() && result.back().index == c.index) {
                Column &b = result.back();
                b.firstMs = std::min(b.firstMs, c.firstMs);
                b.lastMs = std::max(b.lastMs, c.lastMs);
                b.min = std::min(b.min, c.min);
                b.max = std::max(b.max, c.max);
            } else {
                result.push_back(c);
            }
        }
    };
    const QString deviceId = QStringLiteral("(SELECT id FROM device WHERE serial=?)");
    qint64 rawFrom = fromMs;
    if (m_hasMinutes && span / columns >= 2 * 60000) {
        // The grouping runs inside SQLite: only one row per column crosses into the client.
        QSqlQuery q(m_db->db());
        q.setForwardOnly(true);
        q.prepare(
            QStringLiteral("SELECT (max(m*60000, ?) - ?) * ? / ? AS c, max(min(m)*60000, ?), "
                           "min(max(m)*60000+59999, ?), min(n%1), max(x%1) FROM sample_minute "
                           "WHERE device=%2 AND m BETWEEN ? AND ? AND n%1 IS NOT NULL GROUP BY c ORDER BY c")
                .arg(quantity)
                .arg(deviceId));
        run(q, {fromMs, fromMs, columns, span, fromMs, toMs, device, fromMs / 60000, toMs / 60000});
        QSqlQuery last(m_db->db());
        last.prepare(QStringLiteral("SELECT max(m) FROM sample_minute WHERE device=%1").arg(deviceId));
        last.addBindValue(device);
        if (last.exec() && last.next() && !last.value(0).isNull())
            rawFrom = std::max(fromMs, (last.value(0).toLongLong() + 1) * 60000);
    }
    if (rawFrom > toMs)
        return result;
    QSqlQuery q(m_db->db());
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT (t - ?) * ? / ? AS c, min(t), max(t), min(q%1), max(q%1) FROM sample "
                       "WHERE device=%2 AND t BETWEEN ? AND ? AND q%1 IS NOT NULL GROUP BY c ORDER BY c")
            .arg(quantity)
            .arg(deviceId));
    run(q, {fromMs, columns, span, device, rawFrom, toMs});
    return result;
}

std::optional<qint64> HistoryReader::firstSampleSince(const QString &device, qint64 fromMs)
{
    // The (device, t) index answers this without reading the samples.
    QSqlQuery q(m_db->db());
    q.prepare(QStringLiteral(
        "SELECT MIN(t) FROM sample WHERE device=(SELECT id FROM device WHERE serial=?) AND t>=?"));
    q.addBindValue(device);
    q.addBindValue(fromMs);
    if (!q.exec() || !q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toLongLong();
}

QStringList HistoryReader::devices()
{
    QStringList serials;
    QSqlQuery q(m_db->db());
    if (q.exec(QStringLiteral("SELECT serial FROM device ORDER BY id"))) {
        while (q.next())
            serials << q.value(0).toString();
    }
    return serials;
}

std::vector<Event> HistoryReader::events(const QString &device, const std::vector<EventKind> &kinds,
                                         qint64 fromMs, qint64 toMs)
{
    QString kindList;
    for (EventKind k : kinds)
        kindList += (kindList.isEmpty() ? QString() : QStringLiteral(",")) + QString::number(int(k));
    QSqlQuery q(m_db->db());
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral(
            "SELECT t,device,kind,title,body,id,acked_by,acked_at FROM event WHERE t BETWEEN ? AND ?%1%2 "
            "ORDER BY t, id")
            .arg(device.isEmpty() ? QString() : QStringLiteral(" AND device=?"),
                 kindList.isEmpty() ? QString() : QStringLiteral(" AND kind IN (%1)").arg(kindList)));
    q.addBindValue(fromMs);
    q.addBindValue(toMs);
    if (!device.isEmpty())
        q.addBindValue(device);
    std::vector<Event> result;
    if (q.exec()) {
        while (q.next())
            result.push_back({q.value(0).toLongLong(), q.value(1).toString(), EventKind(q.value(2).toInt()),
                              q.value(3).toString(), q.value(4).toString(), q.value(5).toLongLong(),
                              q.value(6).toString(), q.value(7).toLongLong()});
    }
    return result;
}

std::vector<DayEnergy> HistoryReader::energyDays(const QString &device, qint64 firstDay, qint64 lastDay)
{
    QSqlQuery q(m_db->db());
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT day,active,inductive,capacitive,covered FROM energy_day WHERE "
                       "device=(SELECT id FROM device WHERE serial=?) AND day BETWEEN ? AND ? ORDER BY day"));
    q.addBindValue(device);
    q.addBindValue(firstDay);
    q.addBindValue(lastDay);
    std::vector<DayEnergy> days;
    if (q.exec()) {
        while (q.next())
            days.push_back({q.value(0).toLongLong(), q.value(1).toDouble(), q.value(2).toDouble(),
                            q.value(3).toDouble(), q.value(4).toLongLong()});
    }
    return days;
}

std::vector<CounterReading> HistoryReader::counterReadings(const QString &device, CounterSource source,
                                                           qint64 fromMs, qint64 toMs)
{
    QSqlQuery q(m_db->db());
    q.setForwardOnly(true);
    const QString select = QStringLiteral("SELECT t,active,inductive,capacitive FROM energy WHERE "
                                          "device=(SELECT id FROM device WHERE serial=:d) "
                                          "AND source=:s AND ");
    q.prepare(QStringLiteral("SELECT * FROM (%1 t<:from ORDER BY t DESC LIMIT 1) UNION ALL "
                             "SELECT * FROM (%1 t>=:from AND t<:to) UNION ALL "
                             "SELECT * FROM (%1 t>=:to ORDER BY t LIMIT 1) ORDER BY 1")
                  .arg(select));
    q.bindValue(QStringLiteral(":d"), device);
    q.bindValue(QStringLiteral(":s"), int(source));
    q.bindValue(QStringLiteral(":from"), fromMs);
    q.bindValue(QStringLiteral(":to"), toMs);
    std::vector<CounterReading> readings;
    if (q.exec()) {
        while (q.next())
            readings.push_back({q.value(0).toLongLong(), q.value(1).toDouble(), q.value(2).toDouble(),
                                q.value(3).toDouble()});
    }
    return readings;
}

HistoryReader::MonthEnergy HistoryReader::monthDays(const QString &device, qint64 firstDay, qint64 lastDay)
{
    constexpr std::size_t count = 1 + std::size(reportSources);
    MonthEnergy candidates[count] = {{CounterSource::Analyzer, energyDays(device, firstDay, lastDay)}};
    std::span<const DayEnergy> series[count] = {candidates[0].days};
    for (std::size_t i = 1; i < count; ++i) {
        const CounterSource source = reportSources[i - 1];
        candidates[i] = {source, spreadOverDays(counterReadings(device, source, dayStartMs(firstDay),
                                                                dayStartMs(lastDay + 1)),
                                                firstDay, lastDay)};
        series[i] = candidates[i].days;
    }
    return std::move(candidates[bestCovered(series, firstDay, lastDay)]);
}

std::optional<CounterReading> HistoryReader::lastCounters(const QString &device)
{
    QSqlQuery q(m_db->db());
    q.prepare(QStringLiteral("SELECT t,active,inductive,capacitive FROM energy WHERE device=(SELECT id FROM "
                             "device WHERE serial=?) AND source=? ORDER BY t DESC LIMIT 1"));
    q.addBindValue(device);
    q.addBindValue(int(CounterSource::Analyzer));
    if (!q.exec() || !q.next())
        return std::nullopt;
    return CounterReading{q.value(0).toLongLong(), q.value(1).toDouble(), q.value(2).toDouble(),
                          q.value(3).toDouble()};
}

QStringList HistoryReader::counterDevices()
{
    QStringList serials;
    QSqlQuery q(m_db->db());
    if (q.exec(QStringLiteral("SELECT serial FROM device WHERE EXISTS (SELECT 1 FROM energy_day WHERE "
                              "energy_day.device=device.id) ORDER BY id"))) {
        while (q.next())
            serials << q.value(0).toString();
    }
    return serials;
}

QHash<QString, int> HistoryReader::unacknowledgedInputs()
{
    QHash<QString, int> counts;
    QSqlQuery q(m_db->db());
    q.prepare(QStringLiteral(
        "SELECT device,count(*) FROM event WHERE kind=? AND acked_by IS NULL GROUP BY device"));
    q.addBindValue(int(EventKind::Input));
    if (q.exec()) {
        while (q.next())
            counts.insert(q.value(0).toString(), q.value(1).toInt());
    }
    return counts;
}

QHash<QString, DeviceInfo> HistoryReader::deviceInfo()
{
    QHash<QString, DeviceInfo> info;
    QSqlQuery q(m_db->db());
    if (q.exec(QStringLiteral("SELECT serial,caption,grp,kind FROM device_info"))) {
        while (q.next()) {
            const QString serial = q.value(0).toString();
            info.insert(serial, {serial, q.value(1).toString(), q.value(2).toString(), q.value(3).toInt()});
        }
    }
    return info;
}

} // namespace korvel::history
