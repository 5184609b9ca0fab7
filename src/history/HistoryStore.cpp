#include "history/HistoryStore.h"

#include "history/Quantities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <cmath>
#include <map>

namespace korvel::history
{

namespace
{
// Retention runs at opening and then once an hour of flushes.
constexpr qint64 FlushesPerRetention = 3600;
// A checkpoint is asked for after this many commits (about a minute of flushes).
constexpr int WritesPerCheckpoint = 60;
// Pending additions kept while the file cannot be opened or written are bounded.
constexpr std::size_t MaxPending = 100000;
} // namespace

HistoryStore::HistoryStore(QString file, QObject *parent) : QObject(parent), m_file(std::move(file)) {}

HistoryStore::~HistoryStore()
{
    stopCheckpoints();
    // What arrived in the last second is not lost when the client closes.
    if (m_state == State::Recording) {
        write();
        if (m_db->db().transaction()) {
            for (auto it = m_minutes.cbegin(); it != m_minutes.cend(); ++it)
                writeMinute(it.key(), it.value());
            m_db->db().commit();
        }
    }
    m_insertSample.reset();
    m_upsertMinute.reset();
}

void HistoryStore::startCheckpoints()
{
    // The writer leaves checkpoints to the thread; its own would wait for the disk.
    m_db->exec(QStringLiteral("PRAGMA wal_autocheckpoint=0"));
    m_checkpointThread = std::make_unique<QThread>();
    m_checkpointContext = new QObject;
    m_checkpointContext->moveToThread(m_checkpointThread.get());
    m_checkpointDb = std::make_shared<std::unique_ptr<HistoryDatabase>>();
    m_checkpointThread->start();
}

void HistoryStore::stopCheckpoints()
{
    if (!m_checkpointThread)
        return;
    // The thread's connection is closed in the thread that opened it.
    QMetaObject::invokeMethod(
        m_checkpointContext, [db = m_checkpointDb] { db->reset(); }, Qt::BlockingQueuedConnection);
    m_checkpointThread->quit();
    m_checkpointThread->wait();
    delete m_checkpointContext;
    m_checkpointContext = nullptr;
    m_checkpointThread.reset();
    m_checkpointDb.reset();
}

void HistoryStore::addSample(Sample sample)
{
    if (m_state != State::Stopped && m_samples.size() < MaxPending)
        m_samples.push_back(std::move(sample));
}

void HistoryStore::addEvent(Event event)
{
    if (m_state != State::Stopped && m_events.size() < MaxPending)
        m_events.push_back(std::move(event));
}

void HistoryStore::addCounters(CounterSample counters)
{
    if (m_state != State::Stopped && m_counters.size() < MaxPending)
        m_counters.push_back(std::move(counters));
}

void HistoryStore::setDeviceInfo(const DeviceInfo &info)
{
    const auto it = m_deviceInfo.constFind(info.serial);
    if (m_state == State::Stopped || info.serial.isEmpty() || m_pendingDeviceInfo.size() >= MaxPending ||
        (it != m_deviceInfo.cend() && it->caption == info.caption && it->group == info.group &&
         it->kind == info.kind))
        return;
    m_deviceInfo.insert(info.serial, info);
    m_pendingDeviceInfo.push_back(info);
}

void HistoryStore::acknowledge(qint64 id, const QString &by, qint64 atMs)
{
    if (m_state == State::Stopped || m_acks.size() >= MaxPending)
        return;
    Event ack;
    ack.id = id;
    ack.ackedBy = by;
    ack.ackedAtMs = atMs;
    m_acks.push_back(std::move(ack));
}

void HistoryStore::stop(const QString &text)
{
    m_state = State::Stopped;
    m_samples.clear();
    m_events.clear();
    m_acks.clear();
    m_counters.clear();
    m_pendingDeviceInfo.clear();
    stopCheckpoints();
    m_insertSample.reset();
    m_upsertMinute.reset();
    m_db.reset();
    m_lock.reset();
    Q_EMIT message(text);
}

bool HistoryStore::moveAside(const QDateTime &now)
{
    stopCheckpoints();
    m_insertSample.reset();
    m_upsertMinute.reset();
    m_db.reset();
    m_deviceIds.clear();
    m_minutes.clear();
    m_lastCounters.clear();
    m_deviceInfo.clear();
    const QString aside =
        m_file + QStringLiteral(".damaged-") + now.toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    if (!QFile::rename(m_file, aside))
        return false;
    // The journal belongs to the damaged file; it goes with it, the shared-memory index is rebuilt.
    QFile::rename(m_file + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    QFile::remove(m_file + QStringLiteral("-shm"));
    Q_EMIT message(
        QStringLiteral("Geçmiş kayıt dosyası bozuktu; %1 olarak saklandı, yeni bir dosya başlatıldı.")
            .arg(QFileInfo(aside).fileName()));
    return true;
}

bool HistoryStore::openFile(const QDateTime &now)
{
    const QFileInfo info(m_file);
    if (!QDir().mkpath(info.absolutePath())) {
        stop(QStringLiteral("Geçmiş kaydı yapılamıyor: %1 klasörü oluşturulamadı.").arg(info.absolutePath()));
        return false;
    }
    // One recording client per file; a lock left by a killed client is stale and taken over.
    if (!m_lock) {
        m_lock = std::make_unique<QLockFile>(m_file + QStringLiteral(".lock"));
        m_lock->setStaleLockTime(0);
    }
    if (!m_lock->isLocked() && !m_lock->tryLock(0)) {
        const bool other = m_lock->error() == QLockFile::LockFailedError;
        m_lock.reset();
        stop(other ? QStringLiteral("Geçmiş kaydı yapılmıyor: kayıt dosyasını başka bir Korvel kullanıyor.")
                   : QStringLiteral("Geçmiş kaydı yapılamıyor: %1 klasörüne yazılamıyor.")
                         .arg(info.absolutePath()));
        return false;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_insertSample.reset();
        m_upsertMinute.reset();
        m_db = std::make_unique<HistoryDatabase>(m_file, false);
        if (m_db->open())
            break;
        const int code = m_db->errorCode();
        if (attempt == 0 && (code == HistoryDatabase::NotADatabase || code == HistoryDatabase::Corrupt) &&
            moveAside(now))
            continue;
        stop(QStringLiteral("Geçmiş kaydı durduruldu: kayıt dosyası açılamadı (%1).").arg(m_db->errorText()));
        return false;
    }
    if (m_pageLimit > 0)
        m_db->exec(QStringLiteral("PRAGMA max_page_count=%1").arg(m_pageLimit));
    m_state = State::Recording;
    startCheckpoints();
    applyRetention(now);
    return m_state == State::Recording;
}

void HistoryStore::flush(const QDateTime &now)
{
    if (m_state == State::Stopped)
        return;
    if (m_state == State::Recording && ++m_flushesSinceRetention >= FlushesPerRetention)
        applyRetention(now);
    if (m_samples.empty() && m_events.empty() && m_acks.empty() && m_counters.empty() &&
        m_pendingDeviceInfo.empty())
        return;
    if (m_state == State::NotOpened && !openFile(now))
        return;
    if (write())
        return;
    const int code = m_db->errorCode();
    if ((code == HistoryDatabase::Corrupt || code == HistoryDatabase::NotADatabase) && moveAside(now) &&
        openFile(now) && write())
        return;
    if (m_state == State::Recording) {
        stop(QStringLiteral(
                 "Geçmiş kaydı durduruldu: kayıt dosyasına yazılamıyor (%1). Kaydedilenler korunuyor.")
                 .arg(m_db->errorText()));
    }
}

qint64 HistoryStore::deviceId(const QString &serial)
{
    if (const auto it = m_deviceIds.constFind(serial); it != m_deviceIds.cend())
        return *it;
    QSqlQuery insert(m_db->db());
    insert.prepare(QStringLiteral("INSERT OR IGNORE INTO device(serial) VALUES(?)"));
    insert.addBindValue(serial);
    QSqlQuery select(m_db->db());
    select.prepare(QStringLiteral("SELECT id FROM device WHERE serial=?"));
    select.addBindValue(serial);
    if (!insert.exec() || !select.exec() || !select.next()) {
        m_db->noteError(insert.lastError().isValid() ? insert.lastError() : select.lastError());
        return -1;
    }
    const qint64 id = select.value(0).toLongLong();
    m_deviceIds.insert(serial, id);
    return id;
}

bool HistoryStore::write()
{
    QSqlDatabase &db = m_db->db();
    if (!db.transaction()) {
        m_db->noteError(db.lastError());
        return false;
    }
    const std::size_t n = quantities().size();
    bool ok = true;
    if (!m_samples.empty()) {
        if (!m_insertSample) {
            QString marks = QStringLiteral("?,?");
            for (std::size_t i = 0; i < n; ++i)
                marks += QStringLiteral(",?");
            m_insertSample = std::make_unique<QSqlQuery>(db);
            m_insertSample->prepare(QStringLiteral("INSERT INTO sample(device,t,%1) VALUES(%2)")
                                        .arg(HistoryDatabase::sampleColumns(), marks));
        }
        QSqlQuery &insert = *m_insertSample;
        const QVariant none(QMetaType::fromType<double>());
        for (const Sample &s : m_samples) {
            const qint64 device = deviceId(s.device);
            if (device < 0) {
                ok = false;
                break;
            }
            insert.bindValue(0, device);
            insert.bindValue(1, s.timeMs);
            for (std::size_t i = 0; i < n; ++i) {
                const double v = i < s.values.size() ? s.values[i] : std::nan("");
                insert.bindValue(int(i) + 2, std::isnan(v) ? none : QVariant(v));
            }
            if (!insert.exec() || !foldMinute(device, s.timeMs, s.values)) {
                if (insert.lastError().isValid())
                    m_db->noteError(insert.lastError());
                ok = false;
                break;
            }
        }
    }
    if (ok && !m_events.empty()) {
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO event(t,device,kind,title,body) VALUES(?,?,?,?,?)"));
        for (const Event &e : m_events) {
            insert.bindValue(0, e.timeMs);
            // A message belongs to no device: an empty serial, never NULL.
            insert.bindValue(1, e.device.isEmpty() ? QStringLiteral("") : e.device);
            insert.bindValue(2, int(e.kind));
            insert.bindValue(3, e.title);
            insert.bindValue(4, e.body);
            if (!insert.exec()) {
                m_db->noteError(insert.lastError());
                ok = false;
                break;
            }
        }
    }
    if (ok && !m_counters.empty())
        ok = writeCounters();
    if (ok && !m_pendingDeviceInfo.empty())
        ok = writeDeviceInfo();
    if (ok && !m_acks.empty()) {
        QSqlQuery update(db);
        update.prepare(
            QStringLiteral("UPDATE event SET acked_by=?, acked_at=? WHERE id=? AND acked_by IS NULL"));
        for (const Event &a : m_acks) {
            update.bindValue(0, a.ackedBy);
            update.bindValue(1, a.ackedAtMs);
            update.bindValue(2, a.id);
            if (!update.exec()) {
                m_db->noteError(update.lastError());
                ok = false;
                break;
            }
        }
    }
    if (ok && !db.commit()) {
        m_db->noteError(db.lastError());
        ok = false;
    }
    if (!ok) {
        db.rollback();
        m_deviceIds.clear(); // ids made in the rolled-back transaction are gone
        m_minutes.clear();
        m_lastCounters.clear();
        return false;
    }
    const bool eventsChanged = !m_events.empty() || !m_acks.empty();
    m_samples.clear();
    m_events.clear();
    m_acks.clear();
    m_counters.clear();
    m_pendingDeviceInfo.clear();
    if (eventsChanged)
        Q_EMIT eventsWritten();
    if (++m_writesSinceCheckpoint >= WritesPerCheckpoint && m_checkpointContext) {
        m_writesSinceCheckpoint = 0;
        // Passive: it copies what no reader still needs and never blocks the writer.
        QMetaObject::invokeMethod(
            m_checkpointContext,
            [db = m_checkpointDb, file = m_file] {
                if (!*db) {
                    *db = std::make_unique<HistoryDatabase>(file, false);
                    if (!(*db)->db().open()) {
                        db->reset();
                        return;
                    }
                }
                (*db)->exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
            },
            Qt::QueuedConnection);
    }
    return true;
}

std::optional<CounterReading> HistoryStore::lastCounters(qint64 device)
{
    if (const auto it = m_lastCounters.constFind(device); it != m_lastCounters.cend())
        return *it;
    QSqlQuery q(m_db->db());
    q.prepare(QStringLiteral("SELECT t,active,inductive,capacitive FROM energy WHERE device=? AND source=? "
                             "ORDER BY t DESC LIMIT 1"));
    q.addBindValue(device);
    q.addBindValue(int(CounterSource::Analyzer));
    if (!q.exec() || !q.next())
        return std::nullopt;
    return CounterReading{q.value(0).toLongLong(), q.value(1).toDouble(), q.value(2).toDouble(),
                          q.value(3).toDouble()};
}

bool HistoryStore::writeCounters()
{
    QSqlQuery insert(m_db->db());
    insert.prepare(QStringLiteral(
        "INSERT INTO energy(device,t,source,active,inductive,capacitive) VALUES(?,?,?,?,?,?)"));
    // The energy each reading adds, summed per device and day before it goes to the file.
    std::map<std::pair<qint64, qint64>, DayEnergy> added;
    for (const CounterSample &c : m_counters) {
        const qint64 device = deviceId(c.device);
        if (device < 0)
            return false;
        if (c.source == CounterSource::Analyzer) {
            const CounterReading reading{c.timeMs, c.active, c.inductive, c.capacitive};
            if (const auto before = lastCounters(device)) {
                if (const auto step = energyBetween(*before, reading)) {
                    DayEnergy &d = added[{device, localDay(c.timeMs)}];
                    d.active += step->active;
                    d.inductive += step->inductive;
                    d.capacitive += step->capacitive;
                    d.coveredMs += step->coveredMs;
                }
            }
            m_lastCounters.insert(device, reading);
        }
        const QVariant values[] = {device, c.timeMs, int(c.source), c.active, c.inductive, c.capacitive};
        for (int i = 0; i < int(std::size(values)); ++i)
            insert.bindValue(i, values[i]);
        if (!insert.exec()) {
            m_db->noteError(insert.lastError());
            return false;
        }
    }
    QSqlQuery upsert(m_db->db());
    upsert.prepare(QStringLiteral(
        "INSERT INTO energy_day(device,day,active,inductive,capacitive,covered) VALUES(?,?,?,?,?,?) "
        "ON CONFLICT(device,day) DO UPDATE SET active=active+excluded.active, "
        "inductive=inductive+excluded.inductive, capacitive=capacitive+excluded.capacitive, "
        "covered=covered+excluded.covered"));
    for (const auto &[key, d] : added) {
        const QVariant values[] = {key.first, key.second, d.active, d.inductive, d.capacitive, d.coveredMs};
        for (int i = 0; i < int(std::size(values)); ++i)
            upsert.bindValue(i, values[i]);
        if (!upsert.exec()) {
            m_db->noteError(upsert.lastError());
            return false;
        }
    }
    return true;
}

bool HistoryStore::writeDeviceInfo()
{
    QSqlQuery q(m_db->db());
    q.prepare(QStringLiteral("INSERT OR REPLACE INTO device_info(serial,caption,grp,kind) VALUES(?,?,?,?)"));
    for (const DeviceInfo &info : m_pendingDeviceInfo) {
        q.bindValue(0, info.serial);
        q.bindValue(1, info.caption);
        q.bindValue(2, info.group);
        q.bindValue(3, info.kind);
        if (!q.exec()) {
            m_db->noteError(q.lastError());
            return false;
        }
    }
    return true;
}

bool HistoryStore::foldMinute(qint64 device, qint64 timeMs, const std::vector<double> &values)
{
    const qint64 minute = timeMs / 60000;
    Minute &m = m_minutes[device];
    if (m.minute != minute) {
        if (m.minute >= 0 && !writeMinute(device, m))
            return false;
        m.minute = minute;
        m.min.assign(quantities().size(), std::nan(""));
        m.max = m.min;
    }
    for (std::size_t i = 0; i < m.min.size() && i < values.size(); ++i) {
        const double v = values[i];
        if (std::isnan(v))
            continue;
        m.min[i] = std::isnan(m.min[i]) ? v : std::min(m.min[i], v);
        m.max[i] = std::isnan(m.max[i]) ? v : std::max(m.max[i], v);
    }
    return true;
}

bool HistoryStore::writeMinute(qint64 device, const Minute &minute)
{
    const std::size_t n = quantities().size();
    if (!m_upsertMinute) {
        QString marks = QStringLiteral("?,?");
        for (std::size_t i = 0; i < 2 * n; ++i)
            marks += QStringLiteral(",?");
        m_upsertMinute = std::make_unique<QSqlQuery>(m_db->db());
        m_upsertMinute->prepare(HistoryDatabase::minuteUpsert(QStringLiteral("VALUES(%1)").arg(marks)));
    }
    QSqlQuery &q = *m_upsertMinute;
    const QVariant none(QMetaType::fromType<double>());
    q.bindValue(0, device);
    q.bindValue(1, minute.minute);
    for (std::size_t i = 0; i < n; ++i) {
        q.bindValue(int(2 * i) + 2, std::isnan(minute.min[i]) ? none : QVariant(minute.min[i]));
        q.bindValue(int(2 * i) + 3, std::isnan(minute.max[i]) ? none : QVariant(minute.max[i]));
    }
    if (q.exec())
        return true;
    m_db->noteError(q.lastError());
    return false;
}

qint64 HistoryStore::setting(const char *key, qint64 fallback)
{
    QSqlQuery q(m_db->db());
    q.prepare(QStringLiteral("SELECT value FROM setting WHERE key=?"));
    q.addBindValue(QString::fromLatin1(key));
    if (q.exec() && q.next()) {
        bool ok = false;
        const qint64 v = q.value(0).toLongLong(&ok);
        if (ok && v > 0)
            return v;
    }
    return fallback;
}

bool HistoryStore::setRetention(int days, qint64 maxBytes)
{
    if (days <= 0 || maxBytes <= 0)
        return false;
    // Settings may be given before anything was recorded: they open the file.
    if (m_state == State::NotOpened)
        openFile(QDateTime::currentDateTime());
    if (m_state != State::Recording)
        return false;
    QSqlQuery q(m_db->db());
    q.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO setting(key,value) VALUES('retention_days',?),('max_bytes',?)"));
    q.addBindValue(days);
    q.addBindValue(maxBytes);
    return q.exec();
}

int HistoryStore::retentionDays()
{
    return m_state == State::Recording ? int(setting("retention_days", DefaultRetentionDays))
                                       : DefaultRetentionDays;
}

qint64 HistoryStore::retentionBytes()
{
    return m_state == State::Recording ? setting("max_bytes", DefaultMaxBytes) : DefaultMaxBytes;
}

qint64 HistoryStore::pragma(const char *name)
{
    QSqlQuery q(m_db->db());
    return q.exec(QStringLiteral("PRAGMA %1").arg(QString::fromLatin1(name))) && q.next()
               ? q.value(0).toLongLong()
               : 0;
}

void HistoryStore::applyRetention(const QDateTime &now)
{
    if (m_state != State::Recording)
        return;
    m_flushesSinceRetention = 0;
    const qint64 days = setting("retention_days", DefaultRetentionDays);
    const qint64 maxBytes = setting("max_bytes", DefaultMaxBytes);
    const qint64 cutoff = now.addDays(-days).toMSecsSinceEpoch();
    for (const char *table : {"sample", "event", "energy"}) {
        QSqlQuery q(m_db->db());
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE t < ?").arg(QString::fromLatin1(table)));
        q.addBindValue(cutoff);
        q.exec();
    }
    // Past the size limit the oldest replies go first, a twentieth of them at a time.
    const qint64 pageSize = pragma("page_size");
    for (int round = 0; round < 40; ++round) {
        if ((pragma("page_count") - pragma("freelist_count")) * pageSize <= maxBytes)
            break;
        QSqlQuery q(m_db->db());
        if (!q.exec(QStringLiteral("DELETE FROM sample WHERE id IN (SELECT id FROM sample ORDER BY id LIMIT "
                                   "max(100, (SELECT count(*) FROM sample) / 20))")) ||
            q.numRowsAffected() == 0)
            break;
    }
    // The summary goes with the samples it was made of; the first sample to arrive is found by its key,
    // where the least time would need a scan of every sample.
    {
        QSqlQuery q(m_db->db());
        q.prepare(QStringLiteral("DELETE FROM sample_minute WHERE m < "
                                 "max(?, coalesce((SELECT t FROM sample ORDER BY id LIMIT 1), 0)) / 60000"));
        q.addBindValue(cutoff);
        q.exec();
    }
    {
        QSqlQuery q(m_db->db());
        q.prepare(QStringLiteral("DELETE FROM energy_day WHERE day < ?"));
        q.addBindValue(localDay(cutoff));
        q.exec();
    }
    m_db->exec(QStringLiteral("PRAGMA incremental_vacuum"));
}

} // namespace korvel::history
