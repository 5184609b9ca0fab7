#include "control/DeviceCommands.h"

#include "control/CommandMessages.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "tool/CapacitorMirror.h"

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

QString serialOf(const Screen &screen)
{
    return screen.caption(QStringLiteral("Edit111"));
}
} // namespace

DeviceCommands::DeviceCommands(Screen &screen, Environment &environment, Connection &connection,
                               QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment), m_connection(connection)
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

void DeviceCommands::switchOutputRelays()
{
    // The device field is the number the instantaneous view shows, not Edit111.
    m_connection.send(CommandMessages::relaySelectionRequest(m_screen.caption(QStringLiteral("Label17")),
                                                             on(QStringLiteral("VrPowerButton1")),
                                                             on(QStringLiteral("VrPowerButton2"))));
    relayRequestSent();
}

void DeviceCommands::switchRelayPanel()
{
    std::array<bool, 8> relays{};
    for (size_t k = 0; k < relays.size(); ++k)
        relays[k] = on(QString::fromLatin1(panelRelays[k]));
    m_connection.send(CommandMessages::capacitorRequest(serialOf(m_screen),
                                                        {255, 255, 255, CommandMessages::bitMask(relays)}));
}

void DeviceCommands::switchCapacitors()
{
    std::array<int, 4> groups{};
    for (size_t g = 0; g < 4; ++g) {
        std::array<bool, 6> steps{};
        for (size_t k = 0; k < 6; ++k)
            steps[k] = on(QString::fromLatin1(capacitorToggles[g][k]));
        groups[g] = CommandMessages::bitMask(steps);
    }
    // The tool window keeps the last masks sent as the data bytes of its next register write.
    tool::mirrorCapacitorMasks(m_screen, QString::number(groups[0]), QString::number(groups[1]),
                               QString::number(groups[2]), QString::number(groups[3]));
    m_connection.send(CommandMessages::capacitorRequest(serialOf(m_screen), groups));
}

void DeviceCommands::reset()
{
    // Line feed before carriage return, as the question has always been written.
    if (!m_environment.ask(
            QStringLiteral("DİKKAT\n\rcihaz tüketim (kWh) değerleri ve ayarları resetlensin mi ?")))
        return;
    m_connection.send(CommandMessages::resetRequest(serialOf(m_screen)));
    m_screen.setCaption(QStringLiteral("LblGiden"), QStringLiteral("Cihaz resetleniyor .Lütfen bekleyin..."));
    m_screen.setCaption(QStringLiteral("LblMesaj"), QString());
}

void DeviceCommands::switchOvercurrentRelays()
{
    m_connection.send(CommandMessages::overcurrentRelayRequest(
        m_screen.caption(QStringLiteral("Sno")), on(QStringLiteral("role1")), on(QStringLiteral("role2")),
        on(QStringLiteral("role3"))));
    relayRequestSent();
}

void DeviceCommands::readOvercurrentRelay()
{
    m_connection.send(
        MessageFramer::request(QStringLiteral("AARdegerlerioku"), {m_screen.caption(QStringLiteral("Sno"))}));
}

void DeviceCommands::writeRelayConstants()
{
    // Carries no device and no values.
    m_connection.send(MessageFramer::request(QStringLiteral("sabitleriyaz")));
}

} // namespace korvel
