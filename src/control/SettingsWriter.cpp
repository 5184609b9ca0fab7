#include "control/SettingsWriter.h"

#include "control/CommandMessages.h"
#include "control/FloatEncoder.h"
#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "values/DeviceValueTable.h"

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

QString name(const char *latin1)
{
    return QString::fromLatin1(latin1);
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

std::optional<std::array<int, 4>> SettingsWriter::real(const Input &input)
{
    const QString text = m_screen.caption(name(input.control));
    // The spin boxes show a '.' whatever the locale; the locale's own mark is taken as well.
    auto value = parseDecimal(text, m_state.decimalSeparator);
    if (!value)
        value = parseDecimal(text, QLatin1Char('.'));
    const QString label = QString::fromUtf8(input.label);
    if (!value) {
        m_environment.showError(
            QStringLiteral("%1: '%2' geçerli bir sayı değil. Hiçbir değer gönderilmedi.").arg(label, text));
        return std::nullopt;
    }
    const auto bytes = fb(*value);
    if (!bytes)
        m_environment.showError(
            QStringLiteral("%1: '%2' cihaza yazılabilecek bir sayı değil. Hiçbir değer gönderilmedi.")
                .arg(label, text));
    return bytes;
}

void SettingsWriter::write(int index)
{
    const Writer &w = writers[index];
    std::array<qint64, 4> fields{};
    switch (w.fields) {
    case Fields::Ratios: {
        const auto vt = integer({w.controls[0], w.labels[0]});
        if (!vt)
            return;
        const auto ct = integer({w.controls[1], w.labels[1]});
        if (!ct)
            return;
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
        break;
    case Fields::Real: {
        const auto bytes = real({w.controls[0], w.labels[0]});
        if (!bytes)
            return;
        fields = {(*bytes)[0], (*bytes)[1], (*bytes)[2], (*bytes)[3]};
        break;
    }
    }
    send(QString::fromUtf16(w.verb), fields, QString::fromUtf16(w.status));
}

void SettingsWriter::writeSwitchingMode()
{
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
