#pragma once

#include "link/ReplyDispatcher.h"

#include <QObject>

namespace korvel
{

class Environment;
class Link;
class Screen;
class Ticker;

// The read notification: every chunk the link delivers is logged in the traffic log, then dispatched;
// the activity lamp shows that something arrived and turns lime once a chunk was handled to its end.
class ReplyReceiver final : public QObject
{
    Q_OBJECT
public:
    ReplyReceiver(Link &link, ReplyDispatcher &dispatcher, Screen &screen, Environment &environment,
                  QObject *parent = nullptr);

    // Handles one chunk as if the link had just delivered it.
    void receive(const QString &chunk);

Q_SIGNALS:
    // A chunk arrived and is about to be dispatched.
    void chunkStarted();
    // The chunk was dispatched, to its end or up to a reply that stopped it.
    void chunkEnded();

private:
    void onReadyRead();
    void onLampReset();

    Link &m_link;
    ReplyDispatcher &m_dispatcher;
    Screen &m_screen;
    Environment &m_environment;
    Ticker *m_lampReset;
    QString m_chunk;
};

} // namespace korvel
