#pragma once

#include "link/RequestLedger.h"

#include <QList>
#include <QString>
#include <optional>

namespace korvel
{

class Connection;
class DeviceValueTable;
struct ClientState;

// What the tab pages of the views show, and the requests that fill them again.
namespace ViewData
{

// The kinds of data a page shows (its data reply or report); none for a page of no device data.
QList<DataKind> kindsShownOn(int page);
// The pages that show data of a kind.
QList<int> pagesShowing(DataKind kind);

// A request that fills a view, as its button or the device click sends it: the verb, the kind of the
// "enerjial" reply it expects (empty when its answer has a tag of its own) and the slot it starts at.
struct Refill {
    DataKind kind;
    QString verb;
    QString pendingKind;
    int slot = 0;
};
// The request that asks again for what a view of this kind shows; none for kinds that cannot be asked
// again without the user (harmonics, period reports with their dates) or are never asked.
std::optional<Refill> refillOf(DataKind kind);
// The request that refreshes a page; none for a page that cannot be refreshed.
std::optional<Refill> refillOfPage(int page);
// The kind of data an "enerjial" reply is read as while `pendingKind` is pending.
std::optional<DataKind> kindOfPending(const QString &pendingKind);
// Sends a refill for a device, noted in the ledger as the client's own: the pending kind and slot cursor
// first, then the message. The meter is read without recording the utility's reading; the relay's number goes
// with its leading blank.
void send(const Refill &refill, const QString &serial, ClientState &state, DeviceValueTable &table,
          Connection &connection, RequestLedger &ledger);

} // namespace ViewData

} // namespace korvel
