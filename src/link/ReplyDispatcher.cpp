#include "link/ReplyDispatcher.h"

#include <bit>
#include <cstring>
#include <exception>

namespace korvel
{

ReplyDispatcher::ReplyDispatcher()
{
    static_assert(tagOrder.size() <= 16, "tag sets are kept in 16 bits");
    for (size_t i = 0; i < tagOrder.size(); ++i)
        m_tags[i] = QString::fromUtf16(tagOrder[i]);
}

void ReplyDispatcher::setHandler(QStringView tag, Handler handler)
{
    for (size_t i = 0; i < m_tags.size(); ++i) {
        if (m_tags[i] == tag) {
            m_handlers[i] = std::move(handler);
            indexHandledTags();
            return;
        }
    }
    Q_ASSERT_X(false, "ReplyDispatcher::setHandler", "tag not in the catalogue");
}

void ReplyDispatcher::watch(QStringView tag, std::function<void(const ReplyText &before)> after)
{
    Handler installed = handler(tag);
    if (!installed)
        return;
    setHandler(tag, [installed, after](ReplyText &text) {
        const ReplyText before = text;
        try {
            installed(text);
        } catch (...) {
            after(before);
            throw;
        }
        after(before);
    });
}

ReplyDispatcher::Handler ReplyDispatcher::handler(QStringView tag) const
{
    for (size_t i = 0; i < m_tags.size(); ++i) {
        if (m_tags[i] == tag)
            return m_handlers[i];
    }
    return {};
}

void ReplyDispatcher::indexHandledTags()
{
    m_tagsByFirstLetter.fill(0);
    m_firstPairs.reset();
    for (size_t i = 0; i < m_tags.size(); ++i) {
        if (!m_handlers[i])
            continue;
        const char16_t first = m_tags[i][0].unicode();
        const char16_t second = m_tags[i][1].unicode();
        m_tagsByFirstLetter[first] |= std::uint16_t(1u << i);
        m_firstPairs.set(first * asciiEnd + second);
    }
}

inline bool ReplyDispatcher::tagAt(size_t index, const QChar *at, qsizetype available) const
{
    const QString &tag = m_tags[index];
    return tag.size() <= available && at[0] == tag[0] &&
           std::memcmp(at, tag.constData(), size_t(tag.size()) * sizeof(QChar)) == 0;
}

inline bool ReplyDispatcher::handledTagAt(const QChar *at, qsizetype available) const
{
    // Every tag is longer than two letters.
    if (available < 2)
        return false;
    const char16_t first = at[0].unicode();
    const char16_t second = at[1].unicode();
    if (first >= asciiEnd || second >= asciiEnd || !m_firstPairs[first * asciiEnd + second])
        return false;
    for (unsigned set = m_tagsByFirstLetter[first]; set != 0; set &= set - 1) {
        if (tagAt(size_t(std::countr_zero(set)), at, available))
            return true;
    }
    return false;
}

void ReplyDispatcher::pass(ReplyText &text)
{
    // Only tags that begin with the head's letter can match; after a handler the head is new, so the
    // candidates are taken again, from the next tag in the order on.
    for (unsigned from = 0; !text.isEmpty();) {
        // A handler may cut text out of the chunk ahead of the head: its characters are taken anew.
        const QChar *const chars = text.chunk().constData();
        const char16_t first = chars[text.offset()].unicode();
        if (first >= asciiEnd)
            break;
        const unsigned candidates = m_tagsByFirstLetter[first] & (~0u << from);
        if (candidates == 0)
            break;
        const size_t index = size_t(std::countr_zero(candidates));
        if (tagAt(index, chars + text.offset(), text.size()))
            m_handlers[index](text);
        from = unsigned(index) + 1;
    }

    const bool same = m_lastOffset >= 0 ? m_lastOffset == text.offset() : text.rest() == m_lastRemainder;
    if (same) {
        text.drop(1);
    } else {
        m_lastOffset = text.offset();
        m_lastRemainder.clear();
    }
}

void ReplyDispatcher::round(ReplyText &text)
{
    // Taken anew each round: a handler may have cut text out of the chunk.
    const QChar *const chars = text.chunk().constData();
    const qsizetype size = text.chunk().size();
    // The loop stops once one character is left, so nothing at or past this position is dropped.
    const qsizetype last = size - 1;
    const qsizetype at = text.offset();
    if (at < last && !handledTagAt(chars + at, size - at)) {
        // No handler runs until a handled tag reaches the head. Meanwhile the rule records each
        // remainder and deletes its first character on the next pass, so the run is left with the
        // remainder of its last character recorded, whatever was recorded before.
        qsizetype next = at + 1;
        for (; next < last; ++next) {
            const char16_t first = chars[next].unicode();
            if (first < asciiEnd && m_tagsByFirstLetter[first] != 0 &&
                handledTagAt(chars + next, size - next))
                break;
        }
        text.drop(next - at);
        m_lastOffset = next - 1;
        m_lastRemainder.clear();
    } else {
        pass(text);
    }
}

void ReplyDispatcher::begin(const QString &chunk)
{
    m_text = ReplyText(chunk);
    m_lastOffset = -1;
    m_completed = true;
    m_running = true;
}

bool ReplyDispatcher::runUntil(Clock::time_point deadline)
{
    if (!m_running)
        return true;
    // The clock is read once every few rounds: a round is far shorter than a reading of it.
    constexpr int roundsPerLook = 16;
    try {
        int rounds = 0;
        do {
            round(m_text);
            if (++rounds == roundsPerLook) {
                rounds = 0;
                if (m_text.size() > 1 && Clock::now() >= deadline)
                    return false;
            }
        } while (m_text.size() > 1);
    } catch (const std::exception &) {
        m_completed = false;
    }
    finish();
    return true;
}

void ReplyDispatcher::finish()
{
    if (m_lastOffset >= 0)
        m_lastRemainder = m_text.chunk().mid(m_lastOffset);
    m_lastOffset = -1;
    m_lastLeft = m_text.rest().toString();
    m_text = ReplyText();
    m_running = false;
}

bool ReplyDispatcher::dispatch(const QString &chunk)
{
    begin(chunk);
    runUntil(Clock::time_point::max());
    return m_completed;
}

} // namespace korvel
