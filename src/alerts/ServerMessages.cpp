#include "alerts/ServerMessages.h"

#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "link/ReplyText.h"

namespace korvel
{

namespace
{
const QString window = QStringLiteral("TFrmMesajlar");
const QString list = QStringLiteral("TFrmMesajlar.RzListBox1");
const QString body = QStringLiteral("TFrmMesajlar.RichEdit1");
const QString link = QStringLiteral("RzURLLabel1");
const QString status = QStringLiteral("LblMesaj");
constexpr Colour yellow = rgb(255, 255, 0);
} // namespace

ServerMessages::ServerMessages(Screen &screen, Environment &environment, ClientState &state,
                               Connection &connection, QObject *parent)
    : QObject(parent), m_screen(screen), m_state(state), m_connection(connection),
      m_blink(environment.makeTicker(QStringLiteral("TFrmAna.Timer2"), blinkIntervalMs, this))
{
    connect(m_blink, &Ticker::ticked, this, &ServerMessages::blinkTick);
    connect(&m_connection, &Connection::loginAnswered, this, [this] { m_store.beginConnection(); });
    m_blink->start();
}

void ServerMessages::handleNewMessage(ReplyText &text)
{
    m_screen.setCaption(status, QStringLiteral("Yeni Mesajınız Var..."));
    text.drop(QStringLiteral("yenimesaj").size() + 1);
    m_screen.setVisible(link, true);
    m_blink->start();
}

void ServerMessages::handleMessage(ReplyText &text)
{
    m_screen.setCaption(status, QStringLiteral("Yeni mesajlarınız alınıyor...  Mesaj No: ") +
                                    QString::number(m_store.received() + 1));
    text.drop(QStringLiteral("mesajvar").size() + 1);
    QString title = text.takeField();
    QString messageBody = text.takeField();
    text.drop(1);
    // Every new connection is given every message again: one already held is not listed twice.
    if (m_store.heldFromEarlierConnection(title, messageBody))
        return;
    if (m_store.received() == 0)
        m_screen.setCaption(body, messageBody);
    // Line i of the list is entry i of the store: the store's bound drops the lines with their entries.
    m_screen.appendOwnedLine(list, QStringLiteral("//") + title);
    m_screen.removeFirstLines(list, m_store.append(std::move(title), std::move(messageBody)));
}

void ServerMessages::windowShown()
{
    // The user has seen that messages are waiting: the link stays, steady, until the next new one.
    m_blink->stop();
    m_linkLime = true;
    m_screen.setColour(link, colours::lime);
    requestMessages();
}

void ServerMessages::requestMessages()
{
    m_connection.send(MessageFramer::request(QStringLiteral("yenimesajiste"), {m_state.userName}));
}

void ServerMessages::listClicked()
{
    const int line = m_screen.position(list);
    if (line < 0)
        return;
    if (line >= m_store.size())
        return;
    m_screen.setCaption(body, m_store.at(line).body);
}

void ServerMessages::linkClicked()
{
    m_screen.showWindow(window);
}

void ServerMessages::menuEntryClicked()
{
    m_screen.showWindow(window);
}

void ServerMessages::blinkTick()
{
    m_linkLime = !m_linkLime;
    m_screen.setColour(link, m_linkLime ? colours::lime : yellow);
}

} // namespace korvel
