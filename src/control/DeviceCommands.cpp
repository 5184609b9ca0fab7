#include "control/DeviceCommands.h"

#include "control/ChangeQuestion.h"
#include "control/CommandMessages.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "link/RequestLedger.h"
#include "tool/CapacitorMirror.h"
#include "values/DeviceValueTable.h"
#include "values/FloatBytes.h"

namespace korvel
{

namespace
{
// The "Devreye al" toggles of the capacitor tab, six per group, "Grup1" to "Grup 4".
const char *const capacitorToggles[4][6] = {
    {"C11", "C12", "C13", "C14", "C15", "C16"},
    {"c21", "c22", "c23", "c24", "c25", "c26"},
    {"c31", "c32", "c33", "c34", "c35", "c36"},
    {"c41", "c42", "c43", "c44", "c45", "c46"},
};

// The eight-relay panel's toggles "R1" to "R8".
const char *const panelRelays[8] = {"c411", "c422", "c433", "c444", "c455", "c466", "c477", "c488"};

// The slot that holds the capacitor states, one byte per group.
constexpr int capacitorStateSlot = 52;

QStringList relayNames(int count, const QString &prefix)
{
    QStringList names;
    for (int k = 1; k <= count; ++k)
        names << prefix + QString::number(k);
    return names;
}

QString serialOf(const Screen &screen)
{
    return screen.caption(QStringLiteral("Edit111"));
}
} // namespace

DeviceCommands::DeviceCommands(Screen &screen, Environment &environment, Connection &connection,
                               const DeviceValueTable &table, QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment), m_connection(connection), m_table(table)
{
}

void DeviceCommands::wire()
{
    const struct {
        const char *button;
        void (DeviceCommands::*command)();
    } buttons[] = {
        {"VrShadowButton4", &DeviceCommands::switchOutputRelays},
        {"VrShadowButton10", &DeviceCommands::switchRelayPanel},
        {"BitBtn1", &DeviceCommands::switchCapacitors},
        {"btnreset", &DeviceCommands::reset},
        {"VrShadowButton1", &DeviceCommands::switchOvercurrentRelays},
        {"VrShadowButton2", &DeviceCommands::readOvercurrentRelay},
        {"VrShadowButton3", &DeviceCommands::writeRelayConstants},
    };
    for (const auto &b : buttons)
        m_screen.onClick(QString::fromLatin1(b.button), this, [this, b] { (this->*b.command)(); });
}

bool DeviceCommands::on(const QString &toggle) const
{
    return m_screen.isChecked(toggle);
}

void DeviceCommands::relayRequestSent()
{
    m_screen.setCaption(QStringLiteral("LblGiden"), QStringLiteral(" Röle çekme isteği gönderildi"));
    m_screen.setCaption(QStringLiteral("LblMesaj"), QString());
}

bool DeviceCommands::confirm(const QString &serial, const ChangeQuestion::Switching &switching)
{
    return m_environment.ask(ChangeQuestion::switchingQuestion(serial, switching));
}

bool DeviceCommands::linkUp()
{
    if (m_connection.isLinkUp())
        return true;
    m_screen.setCaption(QStringLiteral("LblGiden"), Connection::notConnectedText());
    return false;
}

void DeviceCommands::switchOutputRelays()
{
    if (!linkUp())
        return;
    const bool relay1 = on(QStringLiteral("VrPowerButton1"));
    const bool relay2 = on(QStringLiteral("VrPowerButton2"));
    // The device field is the number the instantaneous view shows, not Edit111.
    const QString device = m_screen.caption(QStringLiteral("Label17"));
    const auto request = CommandMessages::relaySelectionRequest(device, relay1, relay2);
    if (!request) {
        m_screen.setCaption(QStringLiteral("LblGiden"),
                            QStringLiteral("Önce çekilecek röleyi seçin: \"Röle 1\" ya da \"Röle 2\". "
                                           "Hiçbir istek gönderilmedi."));
        return;
    }
    // No reply reports these relays: their present state is never known.
    if (!confirm(
            device,
            {ChangeQuestion::Outputs::Relays, relayNames(2, QStringLiteral("Röle ")), {relay1, relay2}, {}}))
        return;
    m_connection.send(*request);
    relayRequestSent();
}

void DeviceCommands::switchRelayPanel()
{
    if (!linkUp())
        return;
    std::array<bool, 8> relays{};
    for (size_t k = 0; k < relays.size(); ++k)
        relays[k] = on(QString::fromLatin1(panelRelays[k]));
    if (!confirm(serialOf(m_screen), {ChangeQuestion::Outputs::Relays,
                                      relayNames(8, QStringLiteral("R")),
                                      std::vector<bool>(relays.begin(), relays.end()),
                                      {}}))
        return;
    m_connection.send(CommandMessages::capacitorRequest(serialOf(m_screen),
                                                        {255, 255, 255, CommandMessages::bitMask(relays)}));
}

void DeviceCommands::switchCapacitors()
{
    if (!linkUp())
        return;
    const QString serial = serialOf(m_screen);
    // The state read of another device tells nothing of this one.
    const auto read = serial == m_capacitorsSerial ? m_capacitorsRead : std::nullopt;
    std::array<int, 4> groups{};
    ChangeQuestion::Switching switching{ChangeQuestion::Outputs::Steps, {}, {}, {}};
    if (read)
        switching.lastRead.emplace();
    for (size_t g = 0; g < 4; ++g) {
        std::array<bool, 6> steps{};
        for (size_t k = 0; k < 6; ++k) {
            steps[k] = on(QString::fromLatin1(capacitorToggles[g][k]));
            switching.names << QStringLiteral("C%1").arg(g * 6 + k + 1);
            switching.toSend.push_back(steps[k]);
            if (read)
                switching.lastRead->push_back(((*read)[g] >> k) & 1);
        }
        groups[g] = CommandMessages::bitMask(steps);
    }
    if (!confirm(serial, switching))
        return;
    // The tool window keeps the last masks sent as the data bytes of its next register write.
    tool::mirrorCapacitorMasks(m_screen, QString::number(groups[0]), QString::number(groups[1]),
                               QString::number(groups[2]), QString::number(groups[3]));
    m_connection.send(CommandMessages::capacitorRequest(serial, groups));
}

void DeviceCommands::reset()
{
    if (!linkUp())
        return;
    // Line feed before carriage return, as the question has always been written.
    if (!m_environment.ask(ChangeQuestion::forDevice(
            serialOf(m_screen),
            QStringLiteral("DİKKAT\n\rcihaz tüketim (kWh) değerleri ve ayarları resetlensin mi ?"))))
        return;
    m_connection.send(CommandMessages::resetRequest(serialOf(m_screen)));
    m_screen.setCaption(QStringLiteral("LblGiden"), QStringLiteral("Cihaz resetleniyor .Lütfen bekleyin..."));
    m_screen.setCaption(QStringLiteral("LblMesaj"), QString());
}

void DeviceCommands::switchOvercurrentRelays()
{
    if (!linkUp())
        return;
    const bool relays[] = {on(QStringLiteral("role1")), on(QStringLiteral("role2")),
                           on(QStringLiteral("role3"))};
    if (!confirm(m_screen.caption(QStringLiteral("Sno")),
                 {ChangeQuestion::Outputs::Relays,
                  relayNames(3, QStringLiteral("Röle ")),
                  std::vector<bool>(std::begin(relays), std::end(relays)),
                  {}}))
        return;
    m_connection.send(CommandMessages::overcurrentRelayRequest(m_screen.caption(QStringLiteral("Sno")),
                                                               relays[0], relays[1], relays[2]));
    relayRequestSent();
}

void DeviceCommands::readOvercurrentRelay()
{
    m_connection.send(
        MessageFramer::request(QStringLiteral("AARdegerlerioku"), {m_screen.caption(QStringLiteral("Sno"))}));
}

void DeviceCommands::writeRelayConstants()
{
    if (!linkUp())
        return;
    // Carries no device and no values.
    m_connection.send(MessageFramer::request(QStringLiteral("sabitleriyaz")));
    m_screen.setCaption(QStringLiteral("LblGiden"),
                        QStringLiteral("Sabit değerler yazılıyor.Lütfen bekleyin..."));
}

void DeviceCommands::arrived(const Arrival &arrival)
{
    if (arrival.kind != DataKind::Capacitors || arrival.row != DeviceValueTable::FirstRow ||
        arrival.firstSlot > capacitorStateSlot || arrival.endSlot <= capacitorStateSlot)
        return;
    const auto bytes = SplitToBytes(m_table.value(DeviceValueTable::FirstRow, capacitorStateSlot));
    std::array<int, 4> masks{};
    for (size_t g = 0; g < 4; ++g) {
        // Bits 6 and 7 belong to no step.
        masks[g] = bytes[g] & 0x3F;
    }
    // A read the client made by itself (after a reconnect, or the automatic refresh) leaves the
    // toggles as the user set them; the state read is what the question compares with.
    if (!arrival.refill || arrival.serial != m_capacitorsSerial) {
        for (size_t g = 0; g < 4; ++g) {
            for (size_t k = 0; k < 6; ++k)
                m_screen.setChecked(QString::fromLatin1(capacitorToggles[g][k]), (masks[g] >> k) & 1);
        }
    }
    m_capacitorsRead = masks;
    m_capacitorsSerial = arrival.serial;
}

void DeviceCommands::deviceSelected()
{
    m_capacitorsRead.reset();
    m_capacitorsSerial.clear();
    for (const auto &group : capacitorToggles) {
        for (const char *toggle : group)
            m_screen.setChecked(QString::fromLatin1(toggle), false);
    }
}

} // namespace korvel
