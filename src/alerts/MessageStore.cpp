#include "alerts/MessageStore.h"

namespace korvel
{

qsizetype MessageStore::append(QString title, QString body)
{
    qsizetype dropped = 0;
    m_characters += title.size() + body.size();
    m_messages.push_back({std::move(title), std::move(body)});
    ++m_received;
    while (size() > maxMessages || (m_characters > maxCharacters && size() > 1)) {
        const Message &oldest = m_messages.front();
        m_characters -= oldest.title.size() + oldest.body.size();
        m_messages.pop_front();
        ++dropped;
    }
    return dropped;
}

} // namespace korvel
