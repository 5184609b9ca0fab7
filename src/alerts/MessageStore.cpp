#include "alerts/MessageStore.h"

namespace korvel
{

QString MessageStore::key(const QString &title, const QString &body)
{
    // A field never holds 0x01, which ends it on the wire.
    return title + QChar(0x01) + body;
}

bool MessageStore::heldFromEarlierConnection(const QString &title, const QString &body) const
{
    const auto held = m_kept.constFind(key(title, body));
    return held != m_kept.cend() && held->connection != m_connection;
}

qsizetype MessageStore::append(QString title, QString body)
{
    qsizetype dropped = 0;
    m_characters += title.size() + body.size();
    Held &held = m_kept[key(title, body)];
    ++held.count;
    held.connection = m_connection;
    m_messages.push_back({std::move(title), std::move(body)});
    ++m_received;
    while (size() > maxMessages || (m_characters > maxCharacters && size() > 1)) {
        const Message &oldest = m_messages.front();
        m_characters -= oldest.title.size() + oldest.body.size();
        if (const auto k = m_kept.find(key(oldest.title, oldest.body)); k != m_kept.end() && --k->count == 0)
            m_kept.erase(k);
        m_messages.pop_front();
        ++dropped;
    }
    return dropped;
}

} // namespace korvel
