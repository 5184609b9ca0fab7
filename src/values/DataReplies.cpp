#include "values/DataReplies.h"

#include "core/AsciiCase.h"
#include "core/ClientState.h"
#include "core/DeviceList.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "link/ReplyText.h"
#include "values/DeviceValueTable.h"
#include "values/RecordSetShape.h"
#include "values/RegisterDump.h"
#include "values/ValueRecords.h"

namespace korvel
{

namespace
{
// How an "enerjial" reply is read for each pending kind that carries a register dump: the status
// while decoding and the heading afterwards, both after the device number.
struct DumpKind {
    const char16_t *kind;
    DataKind data;
    const char16_t *status;
    const char16_t *heading;
};

const DumpKind dumpKinds[] = {
    {u"anideger", DataKind::Instantaneous, u" Seri Nolu Cihazın ölçüm değerleri alınıyor. ",
     u" Nolu Cihaz Verileri"},
    {u"tuketim", DataKind::Consumption, u" Seri Nolu Cihazın tüketim değerleri alınıyor. ",
     u" Nolu Cihaz Tüketim Verileri"},
    {u"sabitler", DataKind::Settings, u" Seri Nolu Cihazın sabit değerleri alınıyor. ",
     u" Nolu Cihaz Tüketim Verileri"},
    {u"kondasatordurum", DataKind::Capacitors,
     u" Seri Nolu Cihazın kondansatör durum ve güç değerleri alınıyor. ",
     u" nolu cihaz kondansatör bilgileri"},
};

const DumpKind *dumpKind(const QString &pending)
{
    for (const DumpKind &k : dumpKinds) {
        if (pending == QStringView(k.kind))
            return &k;
    }
    return nullptr;
}

// The relay view's displays that "akimdegerleri" fills, in field order; "Sno" is the relay's number.
const char *const relayDisplays[] = {"akim1", "akim2", "akim3", "akimt", "Sno", "Trh", "Saat"};
constexpr int relaySerialField = 4;

// The data bytes a register dump says it carries (its third number, after the address and the
// function); -1 when it says none.
int announcedBytes(QStringView dump)
{
    const QList<QStringView> head = dump.left(32).split(u'$');
    bool ok = false;
    const int bytes = head.size() > 3 ? head[2].trimmed().toInt(&ok) : -1;
    return ok ? bytes : -1;
}
} // namespace

DataReplies::DataReplies(Screen &screen, Environment &environment, ClientState &state,
                         DeviceValueTable &table, DeviceList &list, Connection &connection,
                         RequestLedger &ledger, QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment), m_state(state), m_table(table),
      m_list(list), m_connection(connection), m_ledger(ledger)
{
}

QString DataReplies::serialAsked(DataKind kind) const
{
    return m_ledger.serialAsked(kind, QString::number(m_state.activeDeviceNumber));
}

void DataReplies::announce(DataKind kind, const QString &serial, int row, int firstSlot, int endSlot)
{
    m_ledger.announce({kind, serial, m_environment.now(), row, firstSlot, endSlot});
}

void DataReplies::request(const QString &kind, int slot, const QString &verb, const QString &outgoing)
{
    m_state.pendingKind = kind;
    m_table.setSlotCursor(slot);
    m_connection.send(MessageFramer::request(verb, {m_screen.caption(QStringLiteral("Edit111"))}));
    m_screen.setCaption(QStringLiteral("LblGiden"), outgoing);
    m_screen.setCaption(QStringLiteral("LblMesaj"), QString());
}

void DataReplies::requestConsumption()
{
    request(QStringLiteral("tuketim"), 36, QStringLiteral("enerharcanan"),
            QStringLiteral("Tüketim verileri istendi.Lütfen bekleyin..."));
    for (const char *meter : {"SayacAktif", "Sayacind", "SayacKap"})
        m_screen.setCaption(QString::fromLatin1(meter), QStringLiteral("0"));
}

void DataReplies::requestCapacitorStates()
{
    request(QStringLiteral("kondasatordurum"), 52, QStringLiteral("kondasatordurum"),
            QStringLiteral("Kondansatör durumları istendi.Lütfen bekleyin..."));
}

void DataReplies::requestMissingValues()
{
    request(QStringLiteral("anideger"), 15, QStringLiteral("cosfi"),
            QStringLiteral("eksikler istendi.Lütfen bekleyin..."));
}

bool DataReplies::answersAnother(ReplyText &text, DataKind pending)
{
    if (!m_ledger.answersAnotherRequest(announcedBytes(text.rest().mid(11)), pending, m_environment.now()))
        return false;
    // It is read as nothing; like every register dump it takes the rest of what was received.
    text.clear();
    return true;
}

void DataReplies::handleRegisterDump(ReplyText &text)
{
    const DumpKind *kind = dumpKind(m_state.pendingKind);
    if (!kind) {
        // Kinds read elsewhere go to their reader; any other kind (a meter reading, or nothing asked
        // yet) leaves the reply to the skipping rule.
        if (auto reader = m_readers.constFind(m_state.pendingKind); reader != m_readers.cend()) {
            if (answersAnother(text, reader->kind))
                return;
            reader->read(text);
            announce(reader->kind, serialAsked(reader->kind));
        }
        return;
    }
    if (answersAnother(text, kind->data))
        return;
    const QString number = QString::number(m_state.activeDeviceNumber);
    m_screen.setCaption(QStringLiteral("LblMesaj"), number + QString::fromUtf16(kind->status));
    text.drop(11);
    const int firstSlot = m_table.slotCursor();
    // A dump cut short keeps what it decoded: that part is announced too.
    const auto decoded = [&] {
        announce(kind->data, serialAsked(kind->data), DeviceValueTable::FirstRow, firstSlot,
                 m_table.slotCursor());
    };
    try {
        DecodeRegisterDump(m_table, text.rest(), m_state.decimalSeparator, [this](const QString &line) {
            m_screen.appendLine(QStringLiteral("TVD1KAL.Memo3"), line);
        });
    } catch (...) {
        decoded();
        throw;
    }
    text.clear();
    m_screen.setCaption(QStringLiteral("Label2"), number + QString::fromUtf16(kind->heading));
    decoded();
}

void DataReplies::addReader(const QString &pendingKind, DataKind kind,
                            std::function<void(ReplyText &)> reader)
{
    m_readers.insert(pendingKind, Reader{kind, std::move(reader)});
}

void DataReplies::handleRelayCurrents(ReplyText &text)
{
    text.drop(14);
    QString serial;
    for (int field = 0; field < int(std::size(relayDisplays)); ++field) {
        const QString value = text.takeField();
        m_screen.setCaption(QString::fromLatin1(relayDisplays[field]), value);
        if (field == relaySerialField)
            serial = value.trimmed();
    }
    if (serial.isEmpty())
        announce(DataKind::RelayValues, serialAsked(DataKind::RelayValues));
    else
        m_ledger.announce(
            {.kind = DataKind::RelayValues, .serial = serial, .time = m_environment.now(), .named = true});
}

void DataReplies::handleValueRecords(ReplyText &text)
{
    text.drop(12);
    const QString device = text.takeField();
    const QString group = text.takeField();
    const QString records = text.peekField().toString();
    m_screen.setCaption(QStringLiteral("LblMesaj"), device + QStringLiteral(" Enerji bilgileri alınıyor. "));
    // Entries before a bad one stay stored: they are announced too.
    const auto decoded = [&] {
        if (const auto shape = RecordSetShape::of(records); shape && !device.isEmpty())
            announce(DataKind::ValueRecord, device, shape->row, 0, shape->entries);
    };
    try {
        DecodeValueRecords(m_table, records, m_state.decimalSeparator);
    } catch (...) {
        decoded();
        throw;
    }
    decoded();
    text.takeField();
    text.drop(1);

    // The device is looked up by its number: a notice costs the same in a group of a hundred thousand
    // devices, and it marks that device only, not every one whose caption holds its digits (12 in 120)
    // nor, with no number at all, the whole group.
    const int g = m_list.findGroup(asciiUpper(group));
    for (const int i : m_list.itemsWithSerial(g, device))
        m_list.setItemColour(g, i, colours::blue);
}

} // namespace korvel
