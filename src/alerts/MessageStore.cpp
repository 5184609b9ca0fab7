#include "alerts/MessageStore.h"

namespace korvel
{

void MessageStore::append(QString title, QString body)
{
    m_characters += title.size() + body.size();
    m_messages.push_back({std::move(title), std::move(body)});
    ++m_received;
    while (size() > maxMessages || (m_characters > maxCharacters && size() > 1)) {
        const Message &oldest = m_messages.front();
        m_characters -= oldest.title.size() + oldest.body.size();
        m_messages.pop_front();
    }
}

} // namespace korvel
