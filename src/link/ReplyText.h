#pragma once

#include <QString>
#include <QStringView>

namespace korvel
{

// The remaining text of one received chunk. Handlers read from its front and remove what they read;
// removal only moves an offset, so reading a chunk costs no copies of what is left.
class ReplyText final
{
public:
    explicit ReplyText(QString chunk = {}) : m_chunk(std::move(chunk)) {}

    QStringView rest() const { return QStringView(m_chunk).mid(m_offset); }
    qsizetype size() const { return m_chunk.size() - m_offset; }
    bool isEmpty() const { return size() == 0; }
    bool startsWith(QStringView tag) const { return rest().startsWith(tag); }
    // Offset of the rest within the chunk; two rests of one chunk are equal exactly when their offsets are.
    qsizetype offset() const { return m_offset; }
    const QString &chunk() const { return m_chunk; }

    // Removes up to n characters from the front.
    void drop(qsizetype n);
    // Removes everything: the rest of the chunk is consumed.
    void clear() { m_offset = m_chunk.size(); }
    // Cuts up to n characters out of the rest, `at` characters past its front; what follows moves up.
    // The chunk's text changes, so a caller that holds its characters must take them again.
    void removeAhead(qsizetype at, qsizetype n);

    // The text before the next 0x01, removed together with that 0x01. Without a 0x01 ahead the field is
    // empty and nothing is removed.
    QString takeField();
    // The same field, left in place.
    QStringView peekField() const;

private:
    // Position of the first 0x01 at or after the offset, or -1; remembered so that a chunk without
    // separators is searched once, not once per field.
    qsizetype nextFieldEnd() const;

    QString m_chunk;
    qsizetype m_offset = 0;
    mutable qsizetype m_searchedFrom = -1;
    mutable qsizetype m_foundAt = -1;
};

} // namespace korvel
