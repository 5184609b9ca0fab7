#pragma once

#include "link/ReplyText.h"

#include <QString>
#include <array>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <functional>

namespace korvel
{

// Recognises the replies at the head of a received chunk by their tags, tested in the fixed order of
// the catalogue, and lets each tag's handler consume its reply. Text with no known tag at its head is
// dropped one character per two passes (the skipping rule), with the last recorded remainder kept
// across chunks. Cost grows linearly with the chunk: a run of positions where no handled tag begins is
// crossed in one step that leaves the state those passes would have left, and two remainders of one
// chunk are compared by their offsets.
//
// A chunk may also be run in slices (begin, then runUntil until it reports the end), so that a large
// one never holds the caller's thread for long; the outcome is the same as one dispatch of it.
class ReplyDispatcher final
{
public:
    using Handler = std::function<void(ReplyText &)>;

    // The tags in the order the dispatcher tests them.
    static constexpr std::array<const char16_t *, 16> tagOrder = {
        u"pong",     u"yenimesaj",   u"akimdegerleri", u"reaktifenerji", u"tedassycal",   u"mesajvar",
        u"Hattayok", u"haklar",      u"tblhaklar",     u"sayacal",       u"Sycdegerleri", u"enerjial",
        u"input",    u"cihazenerji", u"degerler",      u"cihazlar"};

    ReplyDispatcher();

    // Installs the handler of a catalogue tag; a tag without a handler is skipped like unknown text.
    void setHandler(QStringView tag, Handler handler);
    // The handler installed for a catalogue tag (empty when none), so that a later subsystem can
    // watch a reply by wrapping it.
    Handler handler(QStringView tag) const;
    // Wraps the installed handler of a tag: `after` runs with the text as it was before the handler read
    // it, also when the handler gave up on the chunk, since what it showed or stored stays. Nothing is
    // watched for a tag without a handler.
    void watch(QStringView tag, std::function<void(const ReplyText &before)> after);

    // Runs over one chunk. Returns false when a handler gave up on the chunk (AbortChunk or another
    // error): the rest of the chunk is then left unhandled.
    bool dispatch(const QString &chunk);

    using Clock = std::chrono::steady_clock;
    // Takes a chunk to run in slices; a chunk not run to its end is given up.
    void begin(const QString &chunk);
    // Runs the chunk taken by begin() until its end or until `deadline` passed, whichever is first
    // (a handler that started runs to its end). True at the end of the chunk.
    bool runUntil(Clock::time_point deadline);
    // Whether a chunk taken by begin() has yet to be run to its end.
    bool isRunning() const { return m_running; }
    // At the end of a chunk: false when a handler gave up on it.
    bool completed() const { return m_completed; }

    // The remainder the skipping rule recorded last; it lives across chunks.
    QString lastRemainder() const { return m_lastRemainder; }
    // What was left of the last chunk when the dispatcher stopped.
    QString lastLeft() const { return m_lastLeft; }

private:
    static constexpr char16_t asciiEnd = 128;

    void indexHandledTags();
    void pass(ReplyText &text);
    // One round of the loop: a pass, or a run of positions where no handled tag begins.
    void round(ReplyText &text);
    void finish();
    // Whether a tag that has a handler begins at `at`, with `available` characters from there on.
    bool handledTagAt(const QChar *at, qsizetype available) const;
    // Whether the tag of catalogue index `index` begins at `at`.
    bool tagAt(size_t index, const QChar *at, qsizetype available) const;

    std::array<QString, tagOrder.size()> m_tags;
    std::array<Handler, tagOrder.size()> m_handlers;
    // Catalogue indices (as bits) of the handled tags that begin with a letter.
    std::array<std::uint16_t, asciiEnd> m_tagsByFirstLetter{};
    // First two letters of the handled tags: most positions are ruled out by this one lookup.
    std::bitset<asciiEnd * asciiEnd> m_firstPairs;

    QString m_lastRemainder;
    // While a chunk runs, a remainder recorded from it is kept as its offset (-1: m_lastRemainder holds it).
    qsizetype m_lastOffset = -1;
    QString m_lastLeft;
    ReplyText m_text;
    bool m_running = false;
    bool m_completed = true;
};

} // namespace korvel
