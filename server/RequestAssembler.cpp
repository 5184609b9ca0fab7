#include "RequestAssembler.h"

namespace korvel::server
{

std::optional<QByteArray> RequestAssembler::next()
{
    static constexpr char terminator[] = "\xF4\xF4\xF4";
    // Resume two bytes early: a terminator may straddle two reads.
    const qsizetype from = m_start + std::max<qsizetype>(0, m_scanned - 2);
    const qsizetype at = m_buffer.indexOf(QByteArrayView(terminator, 3), from);
    if (at < 0) {
        m_scanned = m_buffer.size() - m_start;
        if (m_start > 0 && m_start >= m_buffer.size() / 2) {
            m_buffer.remove(0, m_start);
            m_start = 0;
        }
        return std::nullopt;
    }
    QByteArray request = m_buffer.mid(m_start, at - m_start);
    m_start = at + 3;
    m_scanned = 0;
    if (m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    }
    return request;
}

} // namespace korvel::server
