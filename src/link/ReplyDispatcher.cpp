#include "link/ReplyDispatcher.h"

#include <exception>

namespace korvel {

ReplyDispatcher::ReplyDispatcher()
{
    for (size_t i = 0; i < tagOrder.size(); ++i)
        m_tags[i] = QString::fromUtf16(tagOrder[i]);
}

void ReplyDispatcher::setHandler(QStringView tag, Handler handler)
{
    for (size_t i = 0; i < m_tags.size(); ++i) {
        if (m_tags[i] == tag) {
            m_handlers[i] = std::move(handler);
            m_firstLetters[m_tags[i][0].unicode()] = true;
            return;
        }
    }
    Q_ASSERT_X(false, "ReplyDispatcher::setHandler", "tag not in the catalogue");
}

bool ReplyDispatcher::mayStartTag(QStringView rest) const
{
    if (rest.isEmpty())
        return false;
    const char16_t first = rest.front().unicode();
    return first < m_firstLetters.size() && m_firstLetters[first];
}

void ReplyDispatcher::pass(ReplyText &text)
{
    if (mayStartTag(text.rest())) {
        for (size_t i = 0; i < m_tags.size(); ++i) {
            if (m_handlers[i] && text.startsWith(m_tags[i]))
                m_handlers[i](text);
        }
    }

    const bool same = m_lastOffset >= 0 ? m_lastOffset == text.offset() : text.rest() == m_lastRemainder;
    if (same) {
        text.drop(1);
    } else {
        m_lastOffset = text.offset();
        m_lastRemainder.clear();
    }
}

bool ReplyDispatcher::dispatch(const QString &chunk)
{
    ReplyText text(chunk);
    m_lastOffset = -1;
    bool completed = true;
    try {
        do {
            pass(text);
        } while (text.size() > 1);
    } catch (const std::exception &) {
        completed = false;
    }
    if (m_lastOffset >= 0)
        m_lastRemainder = chunk.mid(m_lastOffset);
    m_lastOffset = -1;
    m_lastLeft = text.rest().toString();
    return completed;
}

} // namespace korvel
