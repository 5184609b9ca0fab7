#pragma once

#include "alerts/MessageStore.h"

#include <QObject>

namespace korvel
{

class Connection;
class Environment;
class ReplyText;
class Screen;
class Ticker;
struct ClientState;

// The server's messages for the user: "yenimesaj" shows the blinking link above the device list; the
// messages window asks for the waiting messages with "yenimesajiste" each time it opens and on its
// check button, and lists each "mesajvar" title; choosing a title shows its body. The list and the
// store drop their oldest lines together, by the store's bound, so line i is always entry i.
class ServerMessages final : public QObject
{
    Q_OBJECT
public:
    static constexpr int blinkIntervalMs = 1000;

    ServerMessages(Screen &screen, Environment &environment, ClientState &state, Connection &connection,
                   QObject *parent = nullptr);

    void handleNewMessage(ReplyText &text);
    void handleMessage(ReplyText &text);
    // The window was shown or "Yeni Mesajları Kontrol Et" pressed.
    void requestMessages();
    // A line of the list was chosen.
    void listClicked();
    void linkClicked();
    void menuEntryClicked();
    void blinkTick();

    const MessageStore &store() const { return m_store; }

private:
    Screen &m_screen;
    ClientState &m_state;
    Connection &m_connection;
    MessageStore m_store;
    Ticker *m_blink;
    bool m_linkLime = true;
};

} // namespace korvel
