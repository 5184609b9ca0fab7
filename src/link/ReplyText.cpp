#include "link/ReplyText.h"

#include "link/MessageFramer.h"

#include <algorithm>

namespace korvel
{

void ReplyText::drop(qsizetype n)
{
    m_offset = std::min(m_chunk.size(), m_offset + std::max<qsizetype>(n, 0));
}

void ReplyText::removeAhead(qsizetype at, qsizetype n)
{
    const qsizetype from = m_offset + std::clamp<qsizetype>(at, 0, size());
    m_chunk.remove(from, std::clamp<qsizetype>(n, 0, m_chunk.size() - from));
    m_searchedFrom = -1;
    m_foundAt = -1;
}

qsizetype ReplyText::nextFieldEnd() const
{
    const bool cached =
        m_searchedFrom >= 0 && m_searchedFrom <= m_offset && (m_foundAt < 0 || m_foundAt >= m_offset);
    if (!cached) {
        m_searchedFrom = m_offset;
        m_foundAt = m_chunk.indexOf(MessageFramer::fieldEnd, m_offset);
    }
    return m_foundAt;
}

QStringView ReplyText::peekField() const
{
    const qsizetype end = nextFieldEnd();
    return end < 0 ? QStringView() : QStringView(m_chunk).mid(m_offset, end - m_offset);
}

QString ReplyText::takeField()
{
    const qsizetype end = nextFieldEnd();
    if (end < 0)
        return {};
    QString field = m_chunk.mid(m_offset, end - m_offset);
    m_offset = end + 1;
    return field;
}

} // namespace korvel
