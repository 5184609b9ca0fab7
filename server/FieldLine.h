#pragma once

#include "FieldPlan.h"
#include "ServerConfig.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using modbus_t = struct _modbus;

namespace korvel::server
{

// What became of a job.
struct FieldResult {
    enum class Status {
        Answered,  // every operation done; data holds the bytes read, in order
        Exception, // the device answered with an exception code
        Failed,    // no valid answer after the retries: timeout, CRC, lost link
        Skipped,   // the device failed before and was not asked again; only a probe asks it
    };
    Status status = Status::Failed;
    int exceptionCode = 0;
    QString error;
    QByteArray data;
};

// One bus to field devices: a Modbus TCP connection (a gateway, or a device of its own) or an RTU
// serial line. libmodbus blocks, so the line has a thread of its own that takes its jobs one at a time
// in order (a bus is half-duplex), and hands each result to the event loop through post. A device that
// failed every retry is not asked again until a probe finds it back, so a dead device costs its line
// one timeout series, not one per queued request.
class FieldLine final
{
public:
    struct Job {
        int unit = 1;
        std::vector<RegisterOperation> operations;
        bool probe = false;
        // Called on the event loop's thread, through post.
        std::function<void(const FieldResult &)> done;
    };
    using Post = std::function<void(std::function<void()>)>;

    FieldLine(DeviceLink link, FieldSettings settings, Post post);
    ~FieldLine();
    FieldLine(const FieldLine &) = delete;
    FieldLine &operator=(const FieldLine &) = delete;

    void submit(Job job);
    // Ends the thread after the job in hand; the jobs still queued are dropped unanswered.
    void stop();

    static constexpr int maxRegistersPerRead = 125;
    static constexpr int maxRegistersPerWrite = 123;

private:
    void run();
    FieldResult execute(const Job &job);
    // One attempt at every operation: 0 done, otherwise libmodbus's errno.
    int attempt(const Job &job, QByteArray &data);
    bool connect();
    void disconnect();

    DeviceLink m_link;
    FieldSettings m_settings;
    Post m_post;
    modbus_t *m_context = nullptr;
    bool m_connected = false;
    std::set<int> m_failedUnits; // the thread's own
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace korvel::server
