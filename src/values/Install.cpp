#include "values/Install.h"

#include "core/ClientParts.h"
#include "core/Screen.h"
#include "link/Connection.h"
#include "link/ReplyDispatcher.h"
#include "values/CapacitorView.h"
#include "values/ConsumptionView.h"
#include "values/DataReplies.h"
#include "values/DeviceValueTable.h"
#include "values/ValueRenderer.h"

#include <memory>

namespace korvel::values
{

void addViews(ValueRenderer &renderer, Screen &screen, Environment &environment, const ClientState &state,
              const DeviceValueTable &table)
{
    auto consumption = std::make_shared<ConsumptionView>(screen, environment, state, table);
    auto capacitors = std::make_shared<CapacitorView>(screen, state, table);
    renderer.addSection([consumption](int row) { return consumption->render(row); });
    renderer.addSection([capacitors](int row) {
        capacitors->render(row);
        return true;
    });
}

void install(ClientParts &parts)
{
    auto *replies = new DataReplies(parts.screen, parts.environment, parts.state, parts.table, parts.deviceList,
                                    parts.connection, parts.ledger, &parts.owner);
    parts.dataReplies = replies;
    parts.renderer =
        new ValueRenderer(parts.screen, parts.environment, parts.state, parts.table, &parts.owner);
    addViews(*parts.renderer, parts.screen, parts.environment, parts.state, parts.table);
    parts.dispatcher.setHandler(u"enerjial", [replies](ReplyText &t) { replies->handleRegisterDump(t); });
    parts.dispatcher.setHandler(u"akimdegerleri",
                                [replies](ReplyText &t) { replies->handleRelayCurrents(t); });
    parts.dispatcher.setHandler(u"cihazenerji", [replies](ReplyText &t) { replies->handleValueRecords(t); });
    const struct {
        const char *button;
        void (DataReplies::*request)();
    } requests[] = {{"VrShadowButton8", &DataReplies::requestConsumption},
                    {"BitBtn2", &DataReplies::requestCapacitorStates}};
    for (const auto &r : requests)
        parts.screen.onClick(QString::fromLatin1(r.button), replies,
                             [replies, r] { (replies->*r.request)(); });
    // What the last user saw leaves with the session.
    parts.screen.onClick(
        QStringLiteral("OturumuKapat1"), parts.renderer, [&table = parts.table, renderer = parts.renderer] {
            for (int row = DeviceValueTable::FirstRow; row <= DeviceValueTable::LastRow; ++row)
                table.resetRow(row);
            renderer->deviceSelected();
            renderer->renderPass();
        });
}

} // namespace korvel::values
