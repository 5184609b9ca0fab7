#pragma once

#include "link/ReplyDispatcher.h"

#include <QObject>
#include <chrono>
#include <deque>

class QTimer;

namespace korvel
{

class Environment;
class Link;
class Screen;
class Ticker;

// The read notification: every chunk the link delivers is logged in the traffic log as it arrived,
// then dispatched; the activity lamp shows that something arrived and turns lime once a chunk was
// handled to its end.
//
// Messages, not reads: the tail of a read after its last terminator, when it begins with a known tag
// (or the start of one), is held back and put in front of the next read, so a reply cut by the network
// is handled whole. A held tail is dispatched as it stands once the link was quiet for holdMs, or at
// once when it grows past maxHeld. A read that ends with a terminator is dispatched as it is, and so is
// a register dump's reply, which has none, once its dump is whole.
//
// A chunk is dispatched in slices (the environment's dispatchSlice), with the event loop let run between
// them, so a stream of replies never stops the window from answering; reads arriving meanwhile wait in order.
class ReplyReceiver final : public QObject
{
    Q_OBJECT
public:
    static constexpr int holdMs = 2000;
    static constexpr qsizetype maxHeld = qsizetype(16) << 20; // characters, one per byte
    // A read takes at most this much of what the link holds; the rest is read after it was handled.
    static constexpr qint64 maxRead = 64 * 1024;

    ReplyReceiver(Link &link, ReplyDispatcher &dispatcher, Screen &screen, Environment &environment,
                  QObject *parent = nullptr);

    // Handles one chunk as if the link had just delivered it.
    void receive(const QString &chunk);
    // The tail held back for the rest of its reply.
    const QString &held() const { return m_held; }
    // Nothing is being dispatched or waiting to be (a held tail aside).
    bool isIdle() const { return !m_dispatcher.isRunning() && m_waiting.empty() && !m_readPending; }
    // The length of a slice; tests shorten it to make every reply a slice of its own.
    void setSliceTime(std::chrono::nanoseconds time) { m_sliceTime = time; }

    // Where the tail that is held back from `text` begins (text.size() when nothing is held).
    static qsizetype heldTailStart(QStringView text);

Q_SIGNALS:
    // A chunk arrived and is about to be dispatched.
    void chunkStarted();
    // The chunk was dispatched, to its end or up to a reply that stopped it.
    void chunkEnded();

private:
    void onReadyRead();
    void readNow();
    void readPendingNow();
    void onLampReset();
    void onHoldExpired();
    void dispatchNext();
    void startDispatch(const QString &chunk);
    void runSlice();

    Link &m_link;
    ReplyDispatcher &m_dispatcher;
    Screen &m_screen;
    Environment &m_environment;
    Ticker *m_lampReset;
    Ticker *m_holdTimer;
    // Picks up a sliced chunk once the event loop had its turn.
    QTimer *m_resume;
    std::chrono::nanoseconds m_sliceTime;
    QString m_chunk;
    QString m_held;
    std::deque<QString> m_waiting;
    // The link has bytes that are read once the chunk in progress is done.
    bool m_readPending = false;
};

} // namespace korvel
