#pragma once

#include "history/HistoryDatabase.h"
#include "metering/EnergyDays.h"

#include <QHash>
#include <QObject>
#include <memory>
#include <optional>
#include <vector>

class QLockFile;
class QThread;

namespace korvel::history
{

// Records samples and events into one history file. Additions wait in memory and are written by
// flush(), all in one transaction, so the disk sees one commit a second however fast replies come.
// The file is opened at the first flush that has something to write, so a client that records
// nothing never loads the SQL driver.
//
// At most one sample per device and second reaches the file: a later one in the same second replaces
// the values it carries, also across flushes, so a stream of replies costs the disk no more than one
// reply a second. The size limit is kept while the client runs (checked once a minute, the journal
// counted), not only at opening.
//
// Faults never stop the client: a file another client records into leaves this one recording nothing;
// a file that cannot be written (full disk, read-only folder) stops the recording and keeps what was
// stored, and opening is tried again once a minute; a file that is not a database or is damaged (found
// at opening by a quick check off this thread, at each flush by its header, and by any write that meets
// the damage) is moved aside and a new one started. Each is reported once through message().
//
// Writing stays on the caller's thread: a commit in WAL mode appends to the journal without waiting for
// the disk. Copying the journal back into the file (a checkpoint), which does wait for the disk, runs on
// a thread of its own, so the caller never feels it.
class HistoryStore final : public QObject
{
    Q_OBJECT
public:
    enum class State { NotOpened, Recording, Stopped };

    static constexpr int DefaultRetentionDays = 400;
    static constexpr qint64 DefaultMaxBytes = qint64(2) << 30;
    // Flushes between two checks of the size limit, and between two attempts to resume a stopped
    // recording.
    static constexpr int FlushesPerSizeCheck = 60;
    static constexpr int FlushesPerRetry = 60;

    explicit HistoryStore(QString file, QObject *parent = nullptr);
    ~HistoryStore() override;

    void addSample(Sample sample);
    void addEvent(Event event);
    // A reading of energy counters; the analyzer's own also add their energy to the per-day summary.
    void addCounters(CounterSample counters);
    // What the device list says of a device; written with the next flush when it changed.
    void setDeviceInfo(const DeviceInfo &info);
    // Keeps who acknowledged the event `id` and when; written with the next flush.
    void acknowledge(qint64 id, const QString &by, qint64 atMs);
    // Writes what is pending; `now` dates a damaged file that is moved aside and the retention.
    void flush(const QDateTime &now);
    // Drops what is older than the retention and, past the size limit, the oldest samples.
    void applyRetention(const QDateTime &now);

    State state() const { return m_state; }
    QString file() const { return m_file; }
    qsizetype pendingCount() const
    {
        return qsizetype(m_samples.size() + m_events.size() + m_counters.size());
    }
    // The file may not grow past this many pages; it stands for a full disk in tests. 0: no limit.
    void setPageLimit(qint64 pages) { m_pageLimit = pages; }
    // The retention settings are kept in the file itself, beside the data they govern.
    bool setRetention(int days, qint64 maxBytes);
    // The retention in force; the defaults while the file is not open.
    int retentionDays();
    qint64 retentionBytes();

Q_SIGNALS:
    // A fault the user is told of once.
    void message(const QString &text);
    // A stopped recording wrote again.
    void recordingResumed();
    // A flush wrote events or acknowledgements: the windows that list them read again.
    void eventsWritten();

private:
    bool openFile(const QDateTime &now);
    bool write();
    qint64 deviceId(const QString &serial);
    void stop(const QString &text);
    bool moveAside(const QDateTime &now);
    qint64 setting(const char *key, qint64 fallback);
    qint64 pragma(const char *name);
    void startCheckpoints();
    void stopCheckpoints();
    void requestCheckpoint();
    // Runs a quick check of the file on the checkpoint thread; a damaged file is moved aside after.
    void checkInBackground();
    void onDamageFound(int generation);
    // Whether the fixed part of the file's header is still SQLite's: noise written over it is found here.
    bool headerIntact() const;
    void enforceSizeLimit();
    void limitJournal();
    void retryIfDue(const QDateTime &now);
    bool writeSample(qint64 device, const Sample &sample);

    QString m_file;
    State m_state = State::NotOpened;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<HistoryDatabase> m_db;
    // Prepared once per opening: preparing an insert of every quantity costs more than running it.
    std::unique_ptr<class QSqlQuery> m_insertSample;
    std::unique_ptr<class QSqlQuery> m_upsertMinute;
    // The minute in progress of each device, written to the summary when a sample of another minute
    // comes (or at closing): one summary write a minute instead of one per sample.
    struct Minute {
        qint64 minute = -1;
        std::vector<double> min, max;
    };
    QHash<qint64, Minute> m_minutes;
    bool foldMinute(qint64 device, qint64 timeMs, const std::vector<double> &values);
    bool writeMinute(qint64 device, const Minute &minute);
    bool writeCounters();
    bool writeDeviceInfo();
    // The last analyzer reading of a device, which the next one is compared with.
    std::optional<CounterReading> lastCounters(qint64 device);
    QHash<qint64, CounterReading> m_lastCounters;
    std::vector<CounterSample> m_counters;
    QHash<QString, DeviceInfo> m_deviceInfo; // as last written
    std::vector<DeviceInfo> m_pendingDeviceInfo;
    QHash<QString, qint64> m_deviceIds;
    // The row written last for each device id and the second it belongs to: a later sample of that
    // second updates it.
    struct LastRow {
        qint64 second = -1;
        qint64 id = -1;
    };
    QHash<qint64, LastRow> m_lastRows;
    std::unique_ptr<class QSqlQuery> m_updateSample;
    std::vector<Sample> m_samples;
    // Index into m_samples of the pending sample of each device and second.
    QHash<QPair<QString, qint64>, std::size_t> m_pendingSamples;
    std::vector<Event> m_events;
    std::vector<Event> m_acks; // id, ackedBy and ackedAtMs only
    qint64 m_pageLimit = 0;
    qint64 m_flushesSinceRetention = 0;
    std::unique_ptr<QThread> m_checkpointThread;
    QObject *m_checkpointContext = nullptr; // lives in m_checkpointThread
    std::shared_ptr<std::unique_ptr<HistoryDatabase>> m_checkpointDb;
    int m_writesSinceCheckpoint = 0;
    int m_flushesSinceSizeCheck = 0;
    int m_flushesSinceRetry = 0;
    QString m_stopText; // the stop last reported; said again only after a resume
    bool m_resuming = false;
    // Counts the files opened: a check's verdict on an earlier one is not applied to the next.
    int m_generation = 0;
    QDateTime m_now; // of the flush in progress, for a move aside that a check asks for later
};

} // namespace korvel::history
