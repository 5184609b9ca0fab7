#include "alerts/InputAlarm.h"

#include "alerts/AlarmBoard.h"
#include "alerts/InputNotice.h"
#include "core/AbortChunk.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "link/ReplyText.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

namespace korvel
{

namespace
{
const QString window = QStringLiteral("Tfrmuyari");
const QString silenceEntry = QStringLiteral("AlarmiSustur1");

// Lamp and state text of inputs 1 to 4 in the alarm window.
const struct {
    const char *lamp;
    const char *state;
} inputControls[] = {{"Tfrmuyari.Shape9", "Tfrmuyari.Label5"},
                     {"Tfrmuyari.Shape1", "Tfrmuyari.Label6"},
                     {"Tfrmuyari.Shape2", "Tfrmuyari.Label7"},
                     {"Tfrmuyari.Shape3", "Tfrmuyari.Label8"}};
} // namespace

InputAlarm::InputAlarm(Screen &screen, Environment &environment, const DeviceList &devices, QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment), m_devices(devices),
      m_horn(environment.makeTicker(QStringLiteral("Tfrmuyari.Timer1"), hornIntervalMs, this))
{
    connect(m_horn, &Ticker::ticked, this, &InputAlarm::hornTick);
}

bool InputAlarm::isSounding() const
{
    return m_horn->isActive();
}

void InputAlarm::handleInput(ReplyText &text)
{
    const InputNotice notice = InputNotice::read(text);
    m_screen.setCaption(QStringLiteral("Tfrmuyari.label1"),
                        notice.serial + QStringLiteral(" serinolu cihazda ") + QChar(0x0D) +
                            QStringLiteral("input durumu değişme alarmı"));
    // A further notice while the horn sounds keeps its rhythm.
    if (!m_horn->isActive())
        m_horn->start();
    m_screen.setVisible(silenceEntry, true);
    if (m_screen.isChecked(QStringLiteral("chkinpuuyari")))
        m_screen.showWindow(window);
    Q_EMIT raised(notice.serial);

    const auto mask = notice.mask();
    if (!mask)
        throw AbortChunk();
    // The horn is no use at a machine without sound: the desktop shows the notice as well.
    QStringList set;
    for (int input = 1; input <= 8; ++input) {
        if (InputNotice::isSet(*mask, input))
            set << QString::number(input);
    }
    const QDateTime now = m_environment.now();
    m_screen.notify(QStringLiteral("Giriş alarmı: ") + AlarmBoard::deviceName(m_devices, notice.serial),
                    QStringLiteral("Girişler: %1\n%2 %3")
                        .arg(set.isEmpty() ? QStringLiteral("-") : set.join(QStringLiteral(", ")),
                             QLocale().toString(now.date(), QLocale::ShortFormat),
                             now.time().toString(QStringLiteral("HH:mm:ss"))));
    for (int input = 1; input <= 4; ++input) {
        const auto &c = inputControls[input - 1];
        const bool set = InputNotice::isSet(*mask, input);
        m_screen.setCaption(QString::fromLatin1(c.state), set ? QStringLiteral("devrede") : QString());
        m_screen.setColour(QString::fromLatin1(c.lamp), set ? colours::red : colours::green);
    }
    m_screen.setColour(QStringLiteral("Shape2"), colours::green);
}

void InputAlarm::hornTick()
{
    // A missing file only keeps the horn silent; the next tick looks again.
    if (m_environment.fileExists(hornFile))
        m_environment.playSound(hornFile);
}

void InputAlarm::closeClicked()
{
    windowClosed();
    m_screen.closeWindow(window);
}

void InputAlarm::windowClosed()
{
    m_horn->stop();
    m_environment.stopSound();
    m_screen.setVisible(silenceEntry, false);
}

} // namespace korvel
