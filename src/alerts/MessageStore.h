#pragma once

#include <QHash>
#include <QString>
#include <deque>

namespace korvel
{

// The messages received in this run, oldest first. It keeps the newest `maxMessages` and no more than
// `maxCharacters` of titles and bodies (the newest message always stays), dropping the oldest first,
// so a client that runs for weeks stays the same size. This is the one bound of the messages: the list
// that shows them drops the lines of the messages that append drops. `received` counts every message
// ever added.
class MessageStore final
{
public:
    static constexpr qsizetype maxMessages = 10000;
    static constexpr qsizetype maxCharacters = 8 * 1024 * 1024;

    struct Message {
        QString title;
        QString body;
    };

    // Adds the newest message; returns how many of the oldest it dropped.
    qsizetype append(QString title, QString body);
    // A new connection begins: the server gives it every message again.
    void beginConnection() { ++m_connection; }
    // A message with this title and body is among those kept, received on an earlier connection: the
    // server is giving it again. The same text twice on one connection is two messages.
    bool heldFromEarlierConnection(const QString &title, const QString &body) const;

    qsizetype size() const { return qsizetype(m_messages.size()); }
    qint64 received() const { return m_received; }
    // Message i of those kept, 0 the oldest.
    const Message &at(qsizetype i) const { return m_messages[size_t(i)]; }
    qsizetype characters() const { return m_characters; }

private:
    static QString key(const QString &title, const QString &body);

    std::deque<Message> m_messages;
    // How many kept messages have each title and body, and the connection that brought the last.
    struct Held {
        int count = 0;
        int connection = 0;
    };
    QHash<QString, Held> m_kept;
    int m_connection = 0;
    qsizetype m_characters = 0;
    qint64 m_received = 0;
};

} // namespace korvel
