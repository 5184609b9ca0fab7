#include "control/SettingsWriter.h"

#include "control/ChangeQuestion.h"
#include "control/CommandMessages.h"
#include "control/FloatEncoder.h"
#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "link/RequestLedger.h"
#include "values/DeviceValueTable.h"
#include "values/FloatBytes.h"
#include "values/NumberFormat.h"

#include <QScopedValueRollback>

namespace korvel
{

namespace
{
enum class Fields {
    Ratios,   // VT and CT, each as its high and low byte
    Integers, // four spin boxes, each plus its offset
    Real,     // one spin box as the four bytes of fb
};

struct Writer {
    const char *button;
    const char16_t *verb;
    Fields fields;
    std::array<const char *, 4> controls;
    std::array<const char *, 4> labels;
    std::array<int, 4> offsets;
    const char16_t *status;
};

// The ten writers of the settings block, each with its button, verb, inputs and status text.
const Writer writers[] = {
    {"Button9",
     u"sabitakimgrlmyaz",
     Fields::Ratios,
     {"VC", "CT"},
     {"VT (Gerilim Trafosu)", "CT (Akım Trafosu)"},
     {},
     u"Akım gerilim Trofodu oranları yazılıyor.Lütfen bekleyin..."},
    {"Button10",
     u"sabitkonsureyaz",
     Fields::Integers,
     {"Alma1", "Cikma1", "alma2", "cikma2"},
     {"Alma Süre Monofaze", "Çıkma Süre Monofaze", "Alma Süre Trifaze", "Çıkma Süre Trifaze"},
     {},
     u"Kondansatör Devreye alma ve çıkarma süreleri yazılıyor.Lütfen bekleyin..."},
    // The device counts banks from 0: a count goes out minus one, so 0 banks is "-1".
    {"Button11",
     u"sabitbankmodyaz",
     Fields::Integers,
     {"Bank1", "Bank3", "Mod1", "mod3"},
     {"Bank Adet Monofaze", "Bank Adet Trifaze", "Mode Monofaze", "Mode Trifaze"},
     {-1, -1, 0, 0},
     u"Bank adet ve modlar yazılıyor.Lütfen bekleyin..."},
    {"Button17",
     u"sabitilkkva1yaz",
     Fields::Real,
     {"ilkkva1"},
     {"İlk kVA Monofaze"},
     {},
     u"ilkkva1 yazılıyor.Lütfen bekleyin..."},
    {"Button13",
     u"sabitilkkva3yaz",
     Fields::Real,
     {"ilkkva3"},
     {"İlk kVA Trifaze"},
     {},
     u"ilkkva3 yazılıyor.Lütfen bekleyin..."},
    {"Button12",
     u"sabitcosmin1yaz",
     Fields::Real,
     {"cosmin1"},
     {"Cos φ Reaktif Monofaze"},
     {},
     u"Cosmin1 değeri yazılıyor.Lütfen bekleyin..."},
    {"Button14",
     u"sabitcosmax1yaz",
     Fields::Real,
     {"cosmax1"},
     {"Cos φ Kapasitif Monofaze"},
     {},
     u"Cosmax1 değeri yazılıyor.Lütfen bekleyin..."},
    {"Button15",
     u"sabitcosmin3yaz",
     Fields::Real,
     {"cosmin3"},
     {"Cos φ Reaktif Trifaze"},
     {},
     u"Cosmin3 değeri yazılıyor.Lütfen bekleyin..."},
    {"Button16",
     u"sabitcosmax3yaz",
     Fields::Real,
     {"cosmax3"},
     {"Cos φ Kapasitif Trifaze"},
     {},
     u"Cosmax3 değeri yazılıyor.Lütfen bekleyin..."},
};

// The range of each spin box, as its arrows know it, and the decimals it shows.
const struct Limits {
    const char *control;
    double minimum;
    double maximum;
    int decimals;
} limits[] = {
    {"VC", 1, 10000, 0},         {"CT", 1, 10000, 0},         {"Alma1", 1, 100, 0},
    {"Cikma1", 1, 100, 0},       {"alma2", 1, 100, 0},        {"cikma2", 1, 100, 0},
    {"Bank1", 0, 24, 0},         {"Bank3", 0, 24, 0},         {"Mod1", 0, 4, 0},
    {"mod3", 0, 4, 0},           {"ilkkva1", 0.1, 10000, 3},  {"ilkkva3", 0.1, 10000, 3},
    {"cosmin1", 0.95, 0.999, 3}, {"cosmax1", 0.96, 0.999, 3}, {"cosmin3", 0.95, 0.999, 3},
    {"cosmax3", 0.96, 0.999, 3},
};

const Limits *limitsOf(const char *control)
{
    for (const Limits &l : limits) {
        if (qstrcmp(l.control, control) == 0)
            return &l;
    }
    return nullptr;
}

// The real settings in the order of slots 103 to 108.
const char *const realControls[] = {"ilkkva1", "ilkkva3", "cosmin1", "cosmax1", "cosmin3", "cosmax3"};

constexpr int firstSettingsSlot = 100;
constexpr int modeSlot = 109;

QString name(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// A bank byte holds the count minus one; 255 is a count of 0.
int bankCount(int byte)
{
    return byte == 255 ? 0 : byte + 1;
}
} // namespace

SettingsWriter::SettingsWriter(Screen &screen, Environment &environment, ClientState &state,
                               DeviceValueTable &table, Connection &connection, QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment), m_state(state), m_table(table),
      m_connection(connection)
{
}

void SettingsWriter::wire()
{
    for (const Limits &l : limits) {
        const QString control = name(l.control);
        // Read once the settings page exists, so that wiring does not build it before the login window.
        m_screen.whenBuilt(control, this,
                           [this, control] { m_defaults.insert(control, m_screen.caption(control)); });
        m_screen.onChange(control, this, [this, control] {
            if (m_filling)
                return;
            m_read.remove(control);
            m_typed.insert(control);
        });
    }
    m_screen.onClick(QStringLiteral("sabitoku"), this, [this] { requestSettings(); });
    for (int i = 0; i < int(std::size(writers)); ++i)
        m_screen.onClick(name(writers[i].button), this, [this, i] { write(i); });
    m_screen.onClick(QStringLiteral("konmodgonder"), this, [this] { writeSwitchingMode(); });
}

void SettingsWriter::requestSettings()
{
    m_state.pendingKind = QStringLiteral("sabitler");
    m_table.setSlotCursor(100);
    m_connection.send(
        MessageFramer::request(QStringLiteral("sabitiste"), {m_screen.caption(QStringLiteral("Edit111"))}));
    m_screen.setCaption(QStringLiteral("LblGiden"),
                        QStringLiteral("Sabit değerler istendi.Lütfen bekleyin..."));
    m_screen.setCaption(QStringLiteral("LblMesaj"), QString());
}

std::optional<qint64> SettingsWriter::integer(const Input &input)
{
    const QString text = m_screen.caption(name(input.control));
    if (const auto value = parseInt32(text.trimmed()))
        return *value;
    m_environment.showError(QStringLiteral("%1: '%2' geçerli bir tam sayı değil. Hiçbir değer gönderilmedi.")
                                .arg(QString::fromUtf8(input.label), text));
    return std::nullopt;
}

std::optional<double> SettingsWriter::real(const Input &input)
{
    const QString text = m_screen.caption(name(input.control));
    // Only the user's own decimal mark: where it is ',' a '.' would be a thousands mark, and "1.000"
    // taken as 1.0 would write a thousandth of what the user meant.
    const auto value = parseDecimal(text, m_state.decimalSeparator);
    if (!value)
        m_environment.showError(QStringLiteral("%1: '%2' geçerli bir sayı değil. Hiçbir değer gönderilmedi.")
                                    .arg(QString::fromUtf8(input.label), text));
    return value;
}

bool SettingsWriter::readFromTarget() const
{
    return !m_readSerial.isEmpty() && m_readSerial == m_screen.caption(QStringLiteral("Edit111")).trimmed();
}

bool SettingsWriter::linkUp()
{
    if (m_connection.isLinkUp())
        return true;
    m_screen.setCaption(QStringLiteral("LblGiden"), Connection::notConnectedText());
    return false;
}

QString SettingsWriter::change(const Input &input, double value) const
{
    const QString control = name(input.control);
    if (!readFromTarget() || m_read.contains(control) || !m_reported.contains(control))
        return {};
    const QString reported = m_reported.value(control);
    const auto old = parseDecimal(reported, m_state.decimalSeparator);
    if (old && *old == value)
        return {};
    return QStringLiteral("%1: %2 → %3")
        .arg(QString::fromUtf8(input.label), reported, m_screen.caption(control));
}

QString SettingsWriter::doubt(const Input &input, double value) const
{
    const QString control = name(input.control);
    QStringList reasons;
    const bool read = readFromTarget();
    if (read && m_read.contains(control))
        return {};
    // A reported value the user changed is named as a change, not as a doubt.
    const bool reported = read && m_reported.contains(control);
    if (!m_typed.contains(control) && !reported)
        reasons << QStringLiteral("cihazdan okunmadı");
    if (const Limits *l = limitsOf(input.control); l && (value < l->minimum || value > l->maximum)) {
        const auto shown = [this, l](double bound) {
            return QString::number(bound, 'f', l->decimals).replace(u'.', m_state.decimalSeparator);
        };
        // No-break spaces keep the range on one line of the question box.
        reasons << QStringLiteral("izin verilen aralık: %1\u00A0–\u00A0%2")
                       .arg(shown(l->minimum), shown(l->maximum));
    }
    if (reasons.isEmpty())
        return {};
    return QStringLiteral("%1: %2 (%3)")
        .arg(QString::fromUtf8(input.label), m_screen.caption(control), reasons.join(QStringLiteral("; ")));
}

void SettingsWriter::write(int index)
{
    if (!linkUp())
        return;
    const Writer &w = writers[index];
    std::array<qint64, 4> fields{};
    QStringList changes;
    QStringList doubts;
    const auto note = [&](const Input &input, double value) {
        if (const QString line = change(input, value); !line.isEmpty())
            changes << line;
        if (const QString line = doubt(input, value); !line.isEmpty())
            doubts << line;
    };
    switch (w.fields) {
    case Fields::Ratios: {
        const auto vt = integer({w.controls[0], w.labels[0]});
        if (!vt)
            return;
        const auto ct = integer({w.controls[1], w.labels[1]});
        if (!ct)
            return;
        note({w.controls[0], w.labels[0]}, double(*vt));
        note({w.controls[1], w.labels[1]}, double(*ct));
        // Integer division and remainder truncate toward zero: within 1 to 10000 the high and low byte.
        fields = {*vt / 256, *vt % 256, *ct / 256, *ct % 256};
        break;
    }
    case Fields::Integers:
        for (size_t k = 0; k < 4; ++k) {
            const auto value = integer({w.controls[k], w.labels[k]});
            if (!value)
                return;
            fields[k] = *value + w.offsets[k];
        }
        for (size_t k = 0; k < 4; ++k)
            note({w.controls[k], w.labels[k]}, double(fields[k] - w.offsets[k]));
        break;
    case Fields::Real: {
        const Input input{w.controls[0], w.labels[0]};
        const auto value = real(input);
        if (!value)
            return;
        const auto bytes = fb(*value);
        if (!bytes) {
            m_environment.showError(
                QStringLiteral("%1: '%2' cihaza yazılabilecek bir sayı değil. Hiçbir değer gönderilmedi.")
                    .arg(QString::fromUtf8(input.label), m_screen.caption(name(input.control))));
            return;
        }
        note(input, *value);
        fields = {(*bytes)[0], (*bytes)[1], (*bytes)[2], (*bytes)[3]};
        break;
    }
    }
    if ((!changes.isEmpty() || !doubts.isEmpty()) &&
        !m_environment.ask(
            ChangeQuestion::settingsQuestion(m_screen.caption(QStringLiteral("Edit111")), changes, doubts)))
        return;
    send(QString::fromUtf16(w.verb), fields, QString::fromUtf16(w.status));
}

void SettingsWriter::showValue(const char *control, const QString &text)
{
    const QString box = name(control);
    m_reported.insert(box, text);
    // A read the client made by itself leaves what the user typed and has not sent yet.
    if (m_keepTyped && m_typed.contains(box))
        return;
    m_screen.setCaption(box, text);
    m_typed.remove(box);
    m_read.insert(box);
}

void SettingsWriter::arrived(const Arrival &arrival)
{
    if (arrival.kind != DataKind::Settings || arrival.row != DeviceValueTable::FirstRow)
        return;
    const int firstSlot = arrival.firstSlot;
    const int endSlot = arrival.endSlot;
    // Values read from another device than the last read are no longer what the boxes were read from.
    if (arrival.serial != m_readSerial) {
        m_read.clear();
        m_reported.clear();
        m_readSerial = arrival.serial;
    }
    const QScopedValueRollback filling(m_filling, true);
    m_keepTyped = arrival.refill;
    const int row = DeviceValueTable::FirstRow;
    for (int slot = std::max(firstSlot, firstSettingsSlot); slot < std::min(endSlot, modeSlot + 1); ++slot) {
        const double value = m_table.value(row, slot);
        const auto d = SplitToBytes(value);
        const auto number = [](int n) { return QString::number(n); };
        switch (slot) {
        case 100:
            showValue("VC", number(d[0] * 256 + d[1]));
            showValue("CT", number(d[2] * 256 + d[3]));
            break;
        case 101:
            showValue("Alma1", number(d[0]));
            showValue("Cikma1", number(d[1]));
            showValue("alma2", number(d[2]));
            showValue("cikma2", number(d[3]));
            break;
        case 102:
            showValue("Bank1", number(bankCount(d[0])));
            showValue("Bank3", number(bankCount(d[1])));
            showValue("Mod1", number(d[2]));
            showValue("mod3", number(d[3]));
            break;
        case modeSlot:
            // Any other value says neither mode; the choice stays as it is.
            if (d[2] == 1 || d[2] == 0)
                m_screen.setChecked(d[2] == 1 ? QStringLiteral("Radiooto") : QStringLiteral("RadioManual"),
                                    true);
            break;
        default:
            showValue(realControls[slot - 103], formatMask(value, u"0.000", m_state.decimalSeparator));
            break;
        }
    }
}

void SettingsWriter::deviceSelected()
{
    const QScopedValueRollback filling(m_filling, true);
    for (auto it = m_defaults.cbegin(); it != m_defaults.cend(); ++it)
        m_screen.setCaption(it.key(), it.value());
    m_read.clear();
    m_typed.clear();
    m_reported.clear();
    m_readSerial.clear();
    // The choice shown belonged to the other device: the mode writer waits for a read or a choice.
    m_screen.setChecked(QStringLiteral("Radiooto"), false);
    m_screen.setChecked(QStringLiteral("RadioManual"), false);
}

void SettingsWriter::writeSwitchingMode()
{
    if (!linkUp())
        return;
    const bool automatic = m_screen.isChecked(QStringLiteral("Radiooto"));
    if (!automatic && !m_screen.isChecked(QStringLiteral("RadioManual"))) {
        m_environment.showError(QStringLiteral("Önce kondansatörlerin devreye alınma modunu seçin: "
                                               "\"Otomatik Mod (Fabrika Ayarı)\" ya da \"Manuel Mod (Özel "
                                               "Durumlar)\". Hiçbir değer gönderilmedi."));
        return;
    }
    send(QStringLiteral("sabitrestartyaz"), {69, 150, automatic ? 1 : 0, 0},
         QStringLiteral("Kondansator Mod değeri yazılıyor.Lütfen bekleyin..."));
}

void SettingsWriter::send(const QString &verb, const std::array<qint64, 4> &fields, const QString &status)
{
    m_connection.send(
        CommandMessages::settingsRequest(verb, m_screen.caption(QStringLiteral("Edit111")), fields));
    m_screen.setCaption(QStringLiteral("LblGiden"), status);
}

} // namespace korvel
