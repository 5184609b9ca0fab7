#include "link/ReplyReceiver.h"

#include "core/Environment.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "link/Cp1254.h"
#include "link/Link.h"
#include "link/MessageFramer.h"

#include <QLocale>
#include <QTimer>

namespace korvel
{

namespace
{
const QString lamp = QStringLiteral("Shape1");
// The blink inverts red and blue eleven times; what stays is one inversion.
constexpr Colour blinkMask = rgb(255, 0, 255);
constexpr int blinkCount = 11;

QString timeOfDay(const QDateTime &now)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QStringLiteral(" t")).remove(QLatin1Char('t'));
    return QLocale().toString(now.time(), format.trimmed());
}

// Whether `text` begins with a catalogue tag, or is the beginning of one.
bool beginsReply(QStringView text)
{
    for (const char16_t *tag : ReplyDispatcher::tagOrder) {
        const QStringView t(tag);
        if (text.size() >= t.size() ? text.startsWith(t) : t.startsWith(text))
            return true;
    }
    return false;
}
// A register dump's reply carries no terminator: the server ends it with the dump. The dump is whole once
// it has its byte count and as many bytes (with the device's escape "$199$239" read as "$3", as the
// decoder reads it); the trailing bytes that may follow are never read. No dump is longer than a few
// kilobytes, so a longer text is no dump still coming in.
bool dumpComplete(QStringView tail)
{
    static const QString tag = QStringLiteral("enerjial");
    constexpr qsizetype skipped = 3;
    constexpr qsizetype longestDump = 4096;
    if (!tail.startsWith(tag))
        return false;
    if (tail.size() > tag.size() + skipped + longestDump)
        return true;
    QString dump = tail.mid(tag.size() + skipped).toString();
    dump.replace(QStringLiteral("$199$239"), QStringLiteral("$3"));
    qsizetype numbers = 0;
    int count = 0;
    for (qsizetype from = 0;;) {
        const qsizetype end = dump.indexOf(u'$', from);
        if (end < 0)
            return false;
        if (++numbers == 3) {
            bool ok = false;
            count = QStringView(dump).mid(from, end - from).toInt(&ok);
            // A count that is no number ends the decoder at once: nothing more to wait for.
            if (!ok || count < 0)
                return true;
        }
        if (numbers >= 3 && numbers >= 3 + count)
            return true;
        from = end + 1;
    }
}
} // namespace

ReplyReceiver::ReplyReceiver(Link &link, ReplyDispatcher &dispatcher, Screen &screen,
                             Environment &environment, QObject *parent)
    : QObject(parent), m_link(link), m_dispatcher(dispatcher), m_screen(screen), m_environment(environment),
      m_lampReset(environment.makeTicker(QStringLiteral("TFrmAna.Timer3"), 1000, this)),
      m_holdTimer(environment.makeTicker(QStringLiteral("TFrmAna.TimerParca"), holdMs, this)),
      m_resume(new QTimer(this)), m_sliceTime(environment.dispatchSlice())
{
    m_resume->setSingleShot(true);
    m_resume->setInterval(0);
    connect(&m_link, &Link::readyRead, this, &ReplyReceiver::onReadyRead);
    // A new connection is a new stream: the start of a reply from the last one never joins it.
    connect(&m_link, &Link::connected, this, [this] {
        m_held.clear();
        m_holdTimer->stop();
    });
    connect(m_lampReset, &Ticker::ticked, this, &ReplyReceiver::onLampReset);
    connect(m_holdTimer, &Ticker::ticked, this, &ReplyReceiver::onHoldExpired);
    connect(m_resume, &QTimer::timeout, this, &ReplyReceiver::runSlice);
    m_lampReset->start();
}

qsizetype ReplyReceiver::heldTailStart(QStringView text)
{
    const qsizetype last = text.lastIndexOf(MessageFramer::terminator);
    const qsizetype start = last < 0 ? 0 : last + MessageFramer::terminator.size();
    const QStringView tail = text.mid(start);
    return !tail.isEmpty() && tail.size() <= maxHeld && beginsReply(tail) && !dumpComplete(tail)
               ? start
               : text.size();
}

void ReplyReceiver::onReadyRead()
{
    // While a chunk is in progress the bytes stay with the link, and are read as one chunk after it.
    if (!isIdle()) {
        m_readPending = true;
        return;
    }
    readNow();
}

void ReplyReceiver::readPendingNow()
{
    // Another turn of the loop comes back here once the chunk in progress is done.
    if (m_dispatcher.isRunning() || !m_waiting.empty())
        return;
    m_readPending = false;
    readNow();
}

void ReplyReceiver::readNow()
{
    const QByteArray bytes = m_link.read(maxRead);
    if (bytes.isEmpty())
        return;
    cp1254::decodeInto(bytes, m_chunk);
    receive(m_chunk);
}

void ReplyReceiver::receive(const QString &chunk)
{
    m_screen.appendLine(QStringLiteral("TFrmhaberlesme.ListBox1"),
                        timeOfDay(m_environment.now()) + QStringLiteral(":   ") + chunk);
    Colour colour = m_screen.colour(lamp);
    for (int i = 0; i < blinkCount; ++i)
        colour ^= blinkMask;
    m_screen.setColour(lamp, colour);
    m_waiting.push_back(chunk);
    if (!m_dispatcher.isRunning())
        dispatchNext();
}

void ReplyReceiver::dispatchNext()
{
    while (!m_dispatcher.isRunning() && !m_waiting.empty()) {
        QString text = m_held + m_waiting.front();
        m_waiting.pop_front();
        m_held.clear();
        const qsizetype tail = heldTailStart(text);
        if (tail < text.size()) {
            m_held = text.mid(tail);
            text.truncate(tail);
            // Measured from the last byte that came.
            m_holdTimer->stop();
            m_holdTimer->start();
        } else {
            m_holdTimer->stop();
        }
        if (!text.isEmpty())
            startDispatch(text);
    }
    if (m_dispatcher.isRunning())
        return;
    // What the link still holds is read after the event loop had its turn.
    if (m_readPending || m_link.bytesAvailable() > 0) {
        m_readPending = true;
        QTimer::singleShot(0, this, &ReplyReceiver::readPendingNow);
    }
}

void ReplyReceiver::onHoldExpired()
{
    m_holdTimer->stop();
    // Bytes that came meanwhile take the tail in front of them.
    if (m_held.isEmpty() || !isIdle())
        return;
    startDispatch(std::exchange(m_held, QString()));
}

void ReplyReceiver::startDispatch(const QString &chunk)
{
    Q_EMIT chunkStarted();
    m_dispatcher.begin(chunk);
    runSlice();
}

void ReplyReceiver::runSlice()
{
    const auto now = ReplyDispatcher::Clock::now();
    const auto deadline =
        ReplyDispatcher::Clock::time_point::max() - now > m_sliceTime
            ? now + std::chrono::duration_cast<ReplyDispatcher::Clock::duration>(m_sliceTime)
            : ReplyDispatcher::Clock::time_point::max();
    if (!m_dispatcher.runUntil(deadline)) {
        m_resume->start();
        return;
    }
    if (m_dispatcher.completed())
        m_screen.setColour(lamp, colours::lime);
    Q_EMIT chunkEnded();
    // The next read waits for the event loop's turn too, so a flood of reads cannot hold it.
    if (!m_waiting.empty() || m_readPending || m_link.bytesAvailable() > 0)
        QTimer::singleShot(0, this, &ReplyReceiver::dispatchNext);
}

void ReplyReceiver::onLampReset()
{
    m_screen.setColour(lamp, colours::white);
}

} // namespace korvel
