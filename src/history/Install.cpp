#include "history/Install.h"

#include "alerts/InputNotice.h"
#include "core/ClientParts.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "history/CounterRecording.h"
#include "history/HistoryStore.h"
#include "history/Quantities.h"
#include "history/RecordingFaults.h"
#include "link/Connection.h"
#include "link/ReplyDispatcher.h"
#include "link/ReplyText.h"
#include "link/RequestLedger.h"
#include "metering/PeriodReports.h"
#include "values/DeviceValueTable.h"
#include "values/FloatBytes.h"

#include <QHash>

#include <cmath>
#include <memory>
#include <utility>

namespace korvel::history
{

namespace
{

// The quantities of one row whose slots this reply wrote, NaN for the others: a slot the reply did
// not carry holds an older value or the "nothing received" marker, neither of which is a reading.
std::vector<double> readRow(const DeviceValueTable &table, int row, int firstSlot, int endSlot)
{
    std::vector<double> values;
    values.reserve(quantities().size());
    for (const Quantity &q : quantities()) {
        if (q.slot < firstSlot || q.slot >= endSlot) {
            values.push_back(std::nan(""));
            continue;
        }
        const double v = table.value(row, q.slot);
        switch (q.part) {
        case SlotPart::Value:
            values.push_back(v);
            break;
        case SlotPart::Frequency: {
            const auto bytes = SplitToBytes(v);
            values.push_back((bytes[0] * 256 + bytes[1]) / 10.0);
            break;
        }
        case SlotPart::Inputs:
            values.push_back(SplitToBytes(v)[2]);
            break;
        }
    }
    return values;
}

bool anyValue(const std::vector<double> &values)
{
    for (double v : values) {
        if (!std::isnan(v))
            return true;
    }
    return false;
}

} // namespace

HistoryStore *install(ClientParts &parts)
{
    const QString file = parts.environment.historyFile();
    if (file.isEmpty())
        return nullptr;
    auto *store = new HistoryStore(file, &parts.owner);
    Screen &screen = parts.screen;
    Environment &environment = parts.environment;
    DeviceValueTable &table = parts.table;
    QObject::connect(store, &HistoryStore::message, store,
                     [&screen](const QString &text) { screen.setCaption(QStringLiteral("LblMesaj"), text); });
    new RecordingFaults(*store, screen, [&environment] { return environment.now().toMSecsSinceEpoch(); });
    Ticker *timer = environment.makeTicker(QStringLiteral("TFrmAna.TimerHistory"), 1000, store);
    QObject::connect(timer, &Ticker::ticked, store,
                     [store, &environment] { store->flush(environment.now()); });
    timer->start();

    const auto now = [&environment] { return environment.now().toMSecsSinceEpoch(); };
    RequestLedger &ledger = parts.ledger;
    // A readout or a report belongs to the device its request was sent for.
    const auto serialAsked = [&ledger, &screen](DataKind kind) {
        return ledger.serialAsked(kind, screen.caption(QStringLiteral("Edit111")));
    };

    // The instantaneous values of a register dump and of a value record, under the device they came
    // from, as the quantities of the slots the reply wrote.
    QObject::connect(&ledger, &RequestLedger::arrived, store, [=, &table](const Arrival &arrival) {
        if (arrival.kind != DataKind::Instantaneous && arrival.kind != DataKind::ValueRecord)
            return;
        if (arrival.row == 0 || arrival.serial.isEmpty() || arrival.ambiguous)
            return;
        std::vector<double> v =
            readRow(table, arrival.row, arrival.firstSlot, std::min(arrival.endSlot, LastQuantitySlot + 1));
        if (anyValue(v))
            store->addSample({arrival.time.toMSecsSinceEpoch(), arrival.serial, std::move(v)});
    });
    parts.dispatcher.watch(u"input", [=](const ReplyText &before) {
        ReplyText text = before;
        const InputNotice notice = InputNotice::read(text);
        QStringList set;
        if (const auto mask = notice.mask()) {
            for (int input = 1; input <= 8; ++input) {
                if (InputNotice::isSet(*mask, input))
                    set << QString::number(input);
            }
        }
        store->addEvent({now(), notice.serial, EventKind::Input, notice.maskText,
                         QStringLiteral("Girişler: %1").arg(set.join(QStringLiteral(", ")))});
    });
    // Every new connection is given every message again: one recorded from an earlier connection of
    // this run is not recorded twice.
    auto messagesSeen = std::make_shared<QHash<QString, int>>();
    auto connectionCount = std::make_shared<int>(0);
    QObject::connect(&parts.connection, &Connection::loginAnswered, store,
                     [connectionCount] { ++*connectionCount; });
    parts.dispatcher.watch(u"mesajvar", [=](const ReplyText &before) {
        ReplyText text = before;
        text.drop(QStringLiteral("mesajvar").size() + 1);
        QString title = text.takeField();
        QString body = text.takeField();
        if (messagesSeen->size() > 10000)
            messagesSeen->clear();
        const QString key = title + QChar(0x01) + body;
        if (const auto seen = messagesSeen->constFind(key);
            seen != messagesSeen->cend() && *seen != *connectionCount)
            return;
        messagesSeen->insert(key, *connectionCount);
        store->addEvent({now(), QString(), EventKind::Message, std::move(title), std::move(body)});
    });
    parts.dispatcher.watch(u"sayacal", [=, &screen](const ReplyText &before) {
        store->addEvent({now(), serialAsked(DataKind::MeterReadout), EventKind::MeterReadout,
                         screen.caption(QStringLiteral("Label2")), before.rest().toString()});
    });
    for (const PeriodReports::View *view : {&PeriodReports::analyzerView, &PeriodReports::meterView}) {
        parts.dispatcher.watch(view->tag, [=, &screen](const ReplyText &) {
            const auto caption = [&screen](const char *name) {
                return screen.caption(QString::fromLatin1(name));
            };
            const QString inductive = caption(view->inductiveStatus);
            const QString capacitive = caption(view->capacitiveStatus);
            const QString device = serialAsked(DataKind::PeriodReport);
            store->addEvent({now(), device, EventKind::PeriodReport,
                             caption(view->inductiveRatio) + u'\t' + caption(view->capacitiveRatio),
                             inductive + u'\t' + capacitive});
            // The classes that call for action are events of their own, so that the list of events
            // shows them without every report.
            const auto serious = [](const QString &c) {
                return c.contains(QStringLiteral("CEZA")) || c.contains(QStringLiteral("KRİTİK"));
            };
            if (serious(inductive) || serious(capacitive)) {
                store->addEvent({now(), device, EventKind::Penalty,
                                 QStringLiteral("Endüktif: %1, Kapasitif: %2").arg(inductive, capacitive),
                                 caption(view->inductiveRatio) + u'\t' + caption(view->capacitiveRatio)});
            }
        });
    }

    // A loss counts once the server had answered the login; the reason is what the status line says.
    auto linkWasUp = std::make_shared<bool>(false);
    auto linkLost = std::make_shared<bool>(false);
    QObject::connect(&parts.connection, &Connection::linkLost, store, [=, &screen] {
        if (!std::exchange(*linkWasUp, false))
            return;
        *linkLost = true;
        store->addEvent(
            {now(), QString(), EventKind::LinkLost, screen.caption(QStringLiteral("LblMesaj")), QString()});
    });
    QObject::connect(&parts.connection, &Connection::loginAnswered, store, [=] {
        *linkWasUp = true;
        if (std::exchange(*linkLost, false))
            store->addEvent(
                {now(), QString(), EventKind::LinkUp, QStringLiteral("Bağlantı yeniden kuruldu"), QString()});
    });
    recordCounters(parts, *store);
    return store;
}

} // namespace korvel::history
