#include "fleet/Install.h"

#include "alerts/InputNotice.h"
#include "core/AsciiCase.h"
#include "core/ClientParts.h"
#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/Ticker.h"
#include "directory/DeviceKind.h"
#include "directory/DeviceSelection.h"
#include "fleet/FleetOverview.h"
#include "history/HistoryStore.h"
#include "history/RecordSetShape.h"
#include "link/Connection.h"
#include "link/ReplyDispatcher.h"
#include "link/ReplyText.h"
#include "values/DeviceValueTable.h"

namespace korvel::fleet
{

namespace
{
// Runs the installed handler of a tag, then `then` with the text as it was before; also when the
// handler gave up on the chunk, since what it stored stays stored.
void after(ReplyDispatcher &dispatcher, QStringView tag, std::function<void(const ReplyText &before)> then)
{
    ReplyDispatcher::Handler handler = dispatcher.handler(tag);
    if (!handler)
        return;
    dispatcher.setHandler(tag, [handler, then](ReplyText &text) {
        const ReplyText before = text;
        try {
            handler(text);
        } catch (...) {
            then(before);
            throw;
        }
        then(before);
    });
}

QString fieldAfterTag(ReplyText &text)
{
    text.drop(text.peekField().size() + 1);
    return text.takeField();
}

void feedFromReplies(ClientParts &parts, FleetOverview *overview)
{
    Environment &environment = parts.environment;
    ClientState &state = parts.state;
    DeviceValueTable &table = parts.table;
    const auto now = [&environment] { return environment.now().toMSecsSinceEpoch(); };
    after(parts.dispatcher, u"cihazlar", [overview](const ReplyText &before) {
        ReplyText text = before;
        const QString group = fieldAfterTag(text);
        const QString type = text.takeField();
        const QString name = text.takeField();
        const QString serial = text.takeField();
        if (!serial.isEmpty())
            overview->deviceListed(asciiUpper(group), name, serial, DeviceKind::fromType(type));
    });
    after(parts.dispatcher, u"cihazenerji", [overview, now](const ReplyText &before) {
        ReplyText text = before;
        const QString serial = fieldAfterTag(text);
        const QString group = text.takeField();
        if (const auto shape = history::RecordSetShape::of(text.peekField()))
            overview->landed({serial, asciiUpper(group), shape->row, 0, shape->entries, now()});
    });
    // Register dumps fill row 1, the active device, from the slot cursor on.
    ReplyDispatcher::Handler dumps = parts.dispatcher.handler(u"enerjial");
    parts.dispatcher.setHandler(u"enerjial", [=, &state, &table](ReplyText &text) {
        const bool values =
            state.pendingKind == QLatin1String("anideger") || state.pendingKind == QLatin1String("tuketim");
        const int first = table.slotCursor();
        dumps(text);
        if (values && table.slotCursor() > first)
            overview->landed(
                {QString::number(state.activeDeviceNumber), {}, 1, first, table.slotCursor(), now()});
    });
    after(parts.dispatcher, u"Hattayok", [overview](const ReplyText &before) {
        ReplyText text = before;
        overview->offLine(fieldAfterTag(text));
    });
    after(parts.dispatcher, u"input", [overview](const ReplyText &before) {
        ReplyText text = before;
        overview->inputNotice(InputNotice::read(text).serial);
    });
}
} // namespace

FleetOverview *install(ClientParts &parts, history::HistoryStore *store)
{
    auto *overview = new FleetOverview({parts.screen, parts.table, parts.deviceList, parts.selection, store,
                                        store ? store->file() : QString()},
                                       &parts.owner);
    feedFromReplies(parts, overview);
    Environment &environment = parts.environment;
    QObject::connect(&parts.connection, &Connection::aboutToLogin, overview,
                     [overview] { overview->model().clear(); });
    if (store) {
        QObject::connect(store, &history::HistoryStore::eventsWritten, overview,
                         [overview] { overview->readAlarms(); });
    }
    Ticker *timer = environment.makeTicker(QStringLiteral("TFrmAna.TimerGenelBakis"), 2000, overview);
    QObject::connect(timer, &Ticker::ticked, overview,
                     [overview, &environment] { overview->tick(environment.now().toMSecsSinceEpoch()); });
    timer->start();
    if (DeviceSelection *selection = parts.selection) {
        QObject::connect(
            selection, &DeviceSelection::deviceClicked, overview, [overview, selection, &environment] {
                overview->showMonth(selection->activeSerial(), environment.now().toMSecsSinceEpoch());
            });
    }
    return overview;
}

} // namespace korvel::fleet
