#include "fleet/Install.h"

#include "core/AsciiCase.h"
#include "core/ClientParts.h"
#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/Ticker.h"
#include "directory/DeviceKind.h"
#include "directory/DeviceSelection.h"
#include "fleet/FleetOverview.h"
#include "history/CounterRecording.h"
#include "history/HistoryStore.h"
#include "link/Connection.h"
#include "link/ReplyDispatcher.h"
#include "link/ReplyText.h"
#include "link/RequestLedger.h"

namespace korvel::fleet
{

namespace
{
QString fieldAfterTag(ReplyText &text)
{
    text.drop(text.peekField().size() + 1);
    return text.takeField();
}

// The device list from its replies; everything else from the one record of what arrived.
void feed(ClientParts &parts, FleetOverview *overview)
{
    parts.dispatcher.watch(u"cihazlar", [overview](const ReplyText &before) {
        ReplyText text = before;
        const QString group = fieldAfterTag(text);
        const QString type = text.takeField();
        const QString name = text.takeField();
        const QString serial = text.takeField();
        if (!serial.isEmpty())
            overview->deviceListed(asciiUpper(group), name, serial, DeviceKind::fromType(type));
    });
    QObject::connect(&parts.ledger, &RequestLedger::arrived, overview, [overview](const Arrival &a) {
        switch (a.kind) {
        case DataKind::OffLine:
            overview->offLine(a.serial);
            break;
        case DataKind::InputNotice:
            overview->inputNotice(a.serial);
            break;
        default:
            if (a.ambiguous)
                break;
            // Every reply of a device says it answers: a relay's currents, a meter readout and a period
            // report too, though only the value table's rows bring the columns' values.
            overview->landed({a.serial, a.kind == DataKind::ValueRecord, a.row, a.firstSlot, a.endSlot,
                              a.time.toMSecsSinceEpoch()});
            break;
        }
    });
    ClientState &state = parts.state;
    Environment &environment = parts.environment;
    for (const history::PeriodReport &r : history::periodReports) {
        parts.dispatcher.watch(
            r.tag, [overview, &state, &environment, source = r.source](const ReplyText &text) {
                const qint64 nowMs = environment.now().toMSecsSinceEpoch();
                if (const auto report = history::reportCounters(text, state.decimalSeparator, nowMs))
                    overview->reportArrived(source, report->serial, report->first, report->second, nowMs);
            });
    }
}
} // namespace

FleetOverview *install(ClientParts &parts, history::HistoryStore *store)
{
    auto *overview = new FleetOverview({parts.screen, parts.table, parts.deviceList, parts.selection, store,
                                        store ? store->file() : QString()},
                                       &parts.owner);
    feed(parts, overview);
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
