#include "alerts/Install.h"

#include "alerts/AlarmBoard.h"
#include "alerts/InputAlarm.h"
#include "alerts/InputNotice.h"
#include "alerts/ServerMessages.h"
#include "core/ClientParts.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "link/ReplyDispatcher.h"
#include "link/ReplyText.h"
#include "link/RequestLedger.h"

namespace korvel::alerts
{

void install(ClientParts &parts)
{
    Screen &screen = parts.screen;
    auto *alarm = new InputAlarm(screen, parts.environment, parts.deviceList, &parts.owner);
    auto *board = new AlarmBoard(screen, parts.environment, parts.state, parts.deviceList, &parts.owner);
    QObject::connect(alarm, &InputAlarm::raised, board, &AlarmBoard::raise);
    parts.alarms = board;
    auto *messages =
        new ServerMessages(screen, parts.environment, parts.state, parts.connection, &parts.owner);
    RequestLedger *ledger = &parts.ledger;
    Environment *environment = &parts.environment;
    parts.dispatcher.setHandler(u"input", [alarm](ReplyText &t) { alarm->handleInput(t); });
    // The notice names its device.
    parts.dispatcher.watch(u"input", [ledger, environment](const ReplyText &before) {
        ReplyText text = before;
        ledger->announce({DataKind::InputNotice, InputNotice::read(text).serial, environment->now()});
    });
    parts.dispatcher.setHandler(u"yenimesaj", [messages](ReplyText &t) { messages->handleNewMessage(t); });
    parts.dispatcher.setHandler(u"mesajvar", [messages](ReplyText &t) { messages->handleMessage(t); });

    for (const char *silence : {"Tfrmuyari.Button1", "AlarmiSustur1"})
        screen.onClick(QString::fromLatin1(silence), alarm, [alarm] { alarm->closeClicked(); });
    screen.onClosed(QStringLiteral("Tfrmuyari"), alarm, [alarm] { alarm->windowClosed(); });

    screen.onShown(QStringLiteral("TFrmMesajlar"), messages, [messages] { messages->windowShown(); });
    screen.onClick(QStringLiteral("TFrmMesajlar.BitBtn2"), messages,
                   [messages] { messages->requestMessages(); });
    screen.onChange(QStringLiteral("TFrmMesajlar.RzListBox1"), messages,
                    [messages] { messages->listClicked(); });
    screen.onClick(QStringLiteral("RzURLLabel1"), messages, [messages] { messages->linkClicked(); });
    screen.onClick(QStringLiteral("Oku1"), messages, [messages] { messages->menuEntryClicked(); });
}

} // namespace korvel::alerts
