#pragma once

#include <QObject>

namespace korvel
{

class DeviceList;
class Environment;
class ReplyText;
class Screen;
class Ticker;

// The input-change alarm: an "input" notice fills the alarm window with the device and the state of
// its first four inputs and starts the horn, which sounds every 2500 ms until the alarm window is
// closed. The window shows itself only when the user asked for input warnings; while the horn sounds
// the main menu offers "Alarmı Sustur", so that a hidden alarm can always be silenced.
class InputAlarm final : public QObject
{
    Q_OBJECT
public:
    static constexpr int hornIntervalMs = 2500;
    static inline const QString hornFile = QStringLiteral("AirHornL.wav");

    InputAlarm(Screen &screen, Environment &environment, const DeviceList &devices,
               QObject *parent = nullptr);

    void handleInput(ReplyText &text);
    void hornTick();
    // "Kapat" or "Alarmı Sustur": the window closes, which silences the horn.
    void closeClicked();
    // The alarm window closed, by "Kapat" or its own close button.
    void windowClosed();
    bool isSounding() const;

Q_SIGNALS:
    // A notice of this device raised the alarm (also one whose mask cannot be read).
    void raised(const QString &serial);

private:
    Screen &m_screen;
    Environment &m_environment;
    const DeviceList &m_devices;
    Ticker *m_horn;
};

} // namespace korvel
