#include "directory/ViewData.h"

#include "core/ClientState.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "values/DeviceValueTable.h"

namespace korvel::ViewData
{

namespace
{
// Page by page: 0 instantaneous, 1 consumption, 2 overcurrent relay, 3 harmonics, 4 capacitors,
// 5 settings, 6 meter reading, 8 meter reading details.
const struct {
    int page;
    std::initializer_list<DataKind> kinds;
} pages[] = {
    {0, {DataKind::Instantaneous}},
    {1, {DataKind::Consumption, DataKind::PeriodReport}},
    {2, {DataKind::RelayValues}},
    {3, {DataKind::Harmonics}},
    {4, {DataKind::Capacitors}},
    {5, {DataKind::Settings}},
    {6, {DataKind::MeterReadout, DataKind::PeriodReport}},
    {8, {DataKind::MeterReadout}},
};

const struct {
    DataKind kind;
    const char16_t *verb;
    const char16_t *pendingKind;
    int slot;
} refills[] = {
    {DataKind::Instantaneous, u"enertum", u"anideger", 0},
    {DataKind::Consumption, u"enerharcanan", u"tuketim", 36},
    {DataKind::Capacitors, u"kondasatordurum", u"kondasatordurum", 52},
    {DataKind::Settings, u"sabitiste", u"sabitler", 100},
    {DataKind::RelayValues, u"AARdegerlerioku", u"", 0},
    {DataKind::MeterReadout, u"sayac", u"sayac", 0},
};

// Pages that "Otomatik yenile" keeps fresh; the others need the user's own request.
const struct {
    int page;
    DataKind kind;
} refreshedPages[] = {
    {0, DataKind::Instantaneous},
    {1, DataKind::Consumption},
    {2, DataKind::RelayValues},
    {4, DataKind::Capacitors},
};
} // namespace

QList<DataKind> kindsShownOn(int page)
{
    for (const auto &p : pages) {
        if (p.page == page)
            return QList<DataKind>(p.kinds);
    }
    return {};
}

QList<int> pagesShowing(DataKind kind)
{
    QList<int> shown;
    for (const auto &p : pages) {
        if (std::find(p.kinds.begin(), p.kinds.end(), kind) != p.kinds.end())
            shown << p.page;
    }
    return shown;
}

std::optional<Refill> refillOf(DataKind kind)
{
    for (const auto &r : refills) {
        if (r.kind == kind)
            return Refill{kind, QString::fromUtf16(r.verb), QString::fromUtf16(r.pendingKind), r.slot};
    }
    return std::nullopt;
}

std::optional<Refill> refillOfPage(int page)
{
    for (const auto &p : refreshedPages) {
        if (p.page == page)
            return refillOf(p.kind);
    }
    return std::nullopt;
}

std::optional<DataKind> kindOfPending(const QString &pendingKind)
{
    if (pendingKind.startsWith(QLatin1String("harmonik")))
        return DataKind::Harmonics;
    for (const auto &r : refills) {
        if (!QStringView(r.pendingKind).isEmpty() && pendingKind == QStringView(r.pendingKind))
            return r.kind;
    }
    return std::nullopt;
}

void send(const Refill &refill, const QString &serial, ClientState &state, DeviceValueTable &table,
          Connection &connection, RequestLedger &ledger)
{
    QStringList fields{serial};
    if (refill.kind == DataKind::RelayValues)
        fields = QStringList{QLatin1Char(' ') + serial};
    else if (refill.kind == DataKind::MeterReadout)
        fields << QStringLiteral("tdshyr") << QStringLiteral("kythyr");
    if (!refill.pendingKind.isEmpty()) {
        state.pendingKind = refill.pendingKind;
        table.setSlotCursor(refill.slot);
    }
    ledger.setRefilling(true);
    connection.send(MessageFramer::request(refill.verb, fields));
    ledger.setRefilling(false);
}

} // namespace korvel::ViewData
