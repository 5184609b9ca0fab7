#include "history/HistoryStore.h"

#include "history/Quantities.h"

#include <QDir>
#include <QElapsedTimer>
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
// The journal is cut back to this after a checkpoint, so a burst of writes does not keep it large.
constexpr qint64 JournalLimit = qint64(8) << 20;
// A size check deletes for at most this long; the next check goes on.
constexpr qint64 SizeCheckMs = 50;

qint64 secondOf(qint64 timeMs)
{
    return timeMs >= 0 ? timeMs / 1000 : (timeMs - 999) / 1000;
}

// A later reply of the same second: its values replace those it carries.
void merge(Sample &into, const Sample &later)
{
    into.timeMs = later.timeMs;
    if (into.values.size() < later.values.size())
        into.values.resize(later.values.size(), std::nan(""));
    for (std::size_t i = 0; i < later.values.size(); ++i) {
        if (!std::isnan(later.values[i]))
            into.values[i] = later.values[i];
    }
}

// The connection of the checkpoint thread, opened on first use there.
HistoryDatabase *threadDatabase(std::unique_ptr<HistoryDatabase> &db, const QString &file)
{
    if (!db) {
        db = std::make_unique<HistoryDatabase>(file, false);
        if (!db->db().open()) {
            db.reset();
            return nullptr;
        }
    }
    return db.get();
}
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
    m_updateSample.reset();
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
    if (m_state == State::Stopped)
        return;
    const QPair<QString, qint64> key(sample.device, secondOf(sample.timeMs));
    if (const auto it = m_pendingSamples.constFind(key); it != m_pendingSamples.cend()) {
        merge(m_samples[*it], sample);
        return;
    }
    if (m_samples.size() >= MaxPending)
        return;
    m_pendingSamples.insert(key, m_samples.size());
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
    m_pendingSamples.clear();
    m_events.clear();
    m_acks.clear();
    m_counters.clear();
    m_pendingDeviceInfo.clear();
    stopCheckpoints();
    m_insertSample.reset();
    m_updateSample.reset();
    m_upsertMinute.reset();
    m_db.reset();
    m_lock.reset();
    m_deviceIds.clear();
    m_lastRows.clear();
    m_minutes.clear();
    m_flushesSinceRetry = 0;
    m_resuming = false;
    // A retry that fails as the stop before it says nothing new.
    if (text != std::exchange(m_stopText, text))
        Q_EMIT message(text);
}

void HistoryStore::retryIfDue(const QDateTime &now)
{
    Q_UNUSED(now);
    if (++m_flushesSinceRetry < FlushesPerRetry)
        return;
    // The next flush with something to write opens the file again; a write that succeeds resumes.
    m_state = State::NotOpened;
    m_resuming = true;
}

bool HistoryStore::moveAside(const QDateTime &now)
{
    stopCheckpoints();
    m_insertSample.reset();
    m_updateSample.reset();
    m_upsertMinute.reset();
    m_db.reset();
    m_deviceIds.clear();
    m_lastRows.clear();
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
            .arg(QDir::toNativeSeparators(QFileInfo(aside).absoluteFilePath())));
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
        m_updateSample.reset();
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
    ++m_generation;
    startCheckpoints();
    checkInBackground();
    applyRetention(now);
    limitJournal();
    return m_state == State::Recording;
}

void HistoryStore::limitJournal()
{
    // A checkpoint cuts the journal back to a share of the size limit, which counts it.
    const qint64 limit = std::min(JournalLimit, setting("max_bytes", DefaultMaxBytes) / 8);
    m_db->exec(QStringLiteral("PRAGMA journal_size_limit=%1").arg(limit));
}

void HistoryStore::checkInBackground()
{
    // Reading every page takes a while on a large file: the thread does it, the verdict comes back here.
    QMetaObject::invokeMethod(
        m_checkpointContext,
        [this, db = m_checkpointDb, file = m_file, generation = m_generation] {
            HistoryDatabase *checker = threadDatabase(*db, file);
            if (!checker)
                return;
            QSqlQuery q(checker->db());
            bool damaged = false;
            if (q.exec(QStringLiteral("PRAGMA quick_check(1)")) && q.next()) {
                damaged = q.value(0).toString() != QLatin1String("ok");
            } else {
                checker->noteError(q.lastError());
                damaged = checker->errorCode() == HistoryDatabase::Corrupt ||
                          checker->errorCode() == HistoryDatabase::NotADatabase;
            }
            if (damaged)
                QMetaObject::invokeMethod(
                    this, [this, generation] { onDamageFound(generation); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void HistoryStore::onDamageFound(int generation)
{
    if (generation != m_generation || m_state != State::Recording)
        return;
    const QDateTime now = m_now.isValid() ? m_now : QDateTime::currentDateTime();
    if (!moveAside(now))
        stop(QStringLiteral("Geçmiş kaydı durduruldu: kayıt dosyası bozuk ve kenara alınamadı."));
    else
        openFile(now);
}

bool HistoryStore::headerIntact() const
{
    QFile file(m_file);
    // A file not yet written to has nothing to lose; one that cannot be read is the next write's concern.
    if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
        return true;
    const QByteArray head = file.read(24);
    return head.size() == 24 && head.startsWith(QByteArrayView("SQLite format 3\0", 16)) &&
           (head[18] == 1 || head[18] == 2) && (head[19] == 1 || head[19] == 2) && head[21] == 64 &&
           head[22] == 32 && head[23] == 32;
}

void HistoryStore::flush(const QDateTime &now)
{
    m_now = now;
    if (m_state == State::Stopped) {
        retryIfDue(now);
        return;
    }
    if (m_state == State::Recording && ++m_flushesSinceRetention >= FlushesPerRetention)
        applyRetention(now);
    if (m_state == State::Recording && ++m_flushesSinceSizeCheck >= FlushesPerSizeCheck)
        enforceSizeLimit();
    if (m_samples.empty() && m_events.empty() && m_acks.empty() && m_counters.empty() &&
        m_pendingDeviceInfo.empty())
        return;
    if (m_state == State::NotOpened && !openFile(now))
        return;
    // Noise written over the file is found before it takes this write with it.
    if (!headerIntact() && !(moveAside(now) && openFile(now))) {
        if (m_state == State::Recording)
            stop(QStringLiteral("Geçmiş kaydı durduruldu: kayıt dosyası bozuk ve kenara alınamadı."));
        return;
    }
    if (write() || ([&] {
            const int code = m_db->errorCode();
            return (code == HistoryDatabase::Corrupt || code == HistoryDatabase::NotADatabase) &&
                   moveAside(now) && openFile(now) && write();
        })()) {
        if (std::exchange(m_resuming, false)) {
            m_stopText.clear();
            Q_EMIT recordingResumed();
        }
        return;
    }
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
    bool ok = true;
    if (!m_samples.empty()) {
        for (const Sample &s : m_samples) {
            const qint64 device = deviceId(s.device);
            if (device < 0 || !writeSample(device, s)) {
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
        m_lastRows.clear();
        m_minutes.clear();
        m_lastCounters.clear();
        return false;
    }
    const bool eventsChanged = !m_events.empty() || !m_acks.empty();
    m_samples.clear();
    m_pendingSamples.clear();
    m_events.clear();
    m_acks.clear();
    m_counters.clear();
    m_pendingDeviceInfo.clear();
    if (eventsChanged)
        Q_EMIT eventsWritten();
    if (++m_writesSinceCheckpoint >= WritesPerCheckpoint)
        requestCheckpoint();
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

void HistoryStore::requestCheckpoint()
{
    if (!m_checkpointContext)
        return;
    m_writesSinceCheckpoint = 0;
    // Passive: it copies what no reader still needs and never blocks the writer.
    QMetaObject::invokeMethod(
        m_checkpointContext,
        [db = m_checkpointDb, file = m_file] {
            if (HistoryDatabase *checkpointer = threadDatabase(*db, file))
                checkpointer->exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
        },
        Qt::QueuedConnection);
}

bool HistoryStore::writeSample(qint64 device, const Sample &s)
{
    const std::size_t n = quantities().size();
    const qint64 second = secondOf(s.timeMs);
    LastRow &last = m_lastRows[device];
    const bool update = last.second == second && last.id >= 0;
    std::unique_ptr<QSqlQuery> &query = update ? m_updateSample : m_insertSample;
    if (!query) {
        query = std::make_unique<QSqlQuery>(m_db->db());
        if (update) {
            QString set;
            for (std::size_t i = 0; i < n; ++i)
                set += QStringLiteral(",q%1=coalesce(?,q%1)").arg(i);
            query->prepare(QStringLiteral("UPDATE sample SET device=?,t=?%1 WHERE id=?").arg(set));
        } else {
            QString marks = QStringLiteral("?,?");
            for (std::size_t i = 0; i < n; ++i)
                marks += QStringLiteral(",?");
            query->prepare(QStringLiteral("INSERT INTO sample(device,t,%1) VALUES(%2)")
                               .arg(HistoryDatabase::sampleColumns(), marks));
        }
    }
    QSqlQuery &q = *query;
    const QVariant none(QMetaType::fromType<double>());
    q.bindValue(0, device);
    q.bindValue(1, s.timeMs);
    for (std::size_t i = 0; i < n; ++i) {
        const double v = i < s.values.size() ? s.values[i] : std::nan("");
        q.bindValue(int(i) + 2, std::isnan(v) ? none : QVariant(v));
    }
    if (update)
        q.bindValue(int(n) + 2, last.id);
    if (!q.exec()) {
        m_db->noteError(q.lastError());
        return false;
    }
    if (!update)
        last = {second, q.lastInsertId().toLongLong()};
    return foldMinute(device, s.timeMs, s.values);
}

void HistoryStore::enforceSizeLimit()
{
    m_flushesSinceSizeCheck = 0;
    const qint64 maxBytes = setting("max_bytes", DefaultMaxBytes);
    const qint64 pageSize = pragma("page_size");
    const auto live = [&] { return (pragma("page_count") - pragma("freelist_count")) * pageSize; };
    const qint64 journal = QFileInfo(m_file + QStringLiteral("-wal")).size();
    if (live() + journal <= maxBytes)
        return;
    // The journal shrinks once checkpointed; the file makes room for it, though never below half the
    // limit.
    const qint64 target = std::max(maxBytes - journal, maxBytes / 2);
    QElapsedTimer spent;
    spent.start();
    // Oldest first, a twentieth of the ids at a time; found by the key, never by a scan or a count.
    while (live() > target && spent.elapsed() < SizeCheckMs) {
        QSqlQuery q(m_db->db());
        if (!q.exec(QStringLiteral(
                "DELETE FROM sample WHERE id < (SELECT min(id) FROM sample) + "
                "max(100, ((SELECT max(id) FROM sample) - (SELECT min(id) FROM sample)) / 20)")) ||
            q.numRowsAffected() == 0)
            break;
    }
    m_lastRows.clear();
    m_db->exec(QStringLiteral("DELETE FROM sample_minute WHERE m < "
                              "coalesce((SELECT t FROM sample ORDER BY id LIMIT 1), 0) / 60000"));
    m_db->exec(QStringLiteral("PRAGMA incremental_vacuum"));
    requestCheckpoint();
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
    if (!q.exec())
        return false;
    limitJournal();
    return true;
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
