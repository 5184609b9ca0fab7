#include "metering/Install.h"

#include "core/ClientParts.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "directory/DeviceSelection.h"
#include "link/ReplyDispatcher.h"
#include "link/RequestLedger.h"
#include "metering/MeterReadout.h"
#include "metering/MeterRequests.h"
#include "metering/PeriodReports.h"

namespace korvel::metering
{

void install(ClientParts &parts)
{
    auto *reports = new PeriodReports(parts.screen, parts.environment, parts.state, &parts.owner);
    auto *readout = new MeterReadout(parts.screen, parts.state, &parts.owner);
    auto *requests = new MeterRequests(parts.screen, parts.environment, parts.state, parts.table,
                                       parts.connection, *readout, &parts.owner);

    // A report and a readout belong to the device their request was sent for.
    RequestLedger &ledger = parts.ledger;
    Environment &environment = parts.environment;
    Screen &screen = parts.screen;
    const auto announcer = [&ledger, &environment, &screen](DataKind kind) {
        return [&ledger, &environment, &screen, kind](const ReplyText &) {
            ledger.announce({kind, ledger.serialAsked(kind, screen.caption(QStringLiteral("Edit111"))),
                             environment.now()});
        };
    };
    for (const PeriodReports::View *view : {&PeriodReports::analyzerView, &PeriodReports::meterView}) {
        parts.dispatcher.setHandler(view->tag,
                                    [reports, view](ReplyText &t) { reports->handleReport(t, *view); });
        parts.dispatcher.watch(view->tag, announcer(DataKind::PeriodReport));
    }
    parts.dispatcher.setHandler(u"Sycdegerleri", [reports](ReplyText &t) { reports->handleMeterTotals(t); });
    parts.dispatcher.setHandler(u"sayacal", [readout](ReplyText &t) { readout->handleReadout(t); });
    parts.dispatcher.watch(u"sayacal", announcer(DataKind::MeterReadout));

    const struct {
        const char *button;
        void (MeterRequests::*request)();
    } buttons[] = {{"VrShadowButton11", &MeterRequests::readMeter},
                   {"VrShadowButton15", &MeterRequests::readMeter},
                   {"VrShadowButton13", &MeterRequests::utilityReading},
                   {"VrShadowButton12", &MeterRequests::meterPeriodReport},
                   {"VrShadowButton9", &MeterRequests::analyzerPeriodReport}};
    for (const auto &b : buttons)
        parts.screen.onClick(QString::fromLatin1(b.button), requests,
                             [requests, b] { (requests->*b.request)(); });

    QObject::connect(&ledger, &RequestLedger::requested, readout, [readout](const RequestLedger::Request &r) {
        if (r.kind == DataKind::MeterReadout)
            readout->readoutRequested();
    });
    if (parts.selection)
        QObject::connect(parts.selection, &DeviceSelection::meterReaderSelected, readout,
                         &MeterReadout::reset);
}

} // namespace korvel::metering
