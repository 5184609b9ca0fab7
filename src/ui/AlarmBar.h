#pragma once

#include <QFrame>

namespace korvel
{

// The red bar across the top of the main window's views while an input alarm waits: the text of the
// newest alarm (LblAlarm) and the buttons "Onayla" (BtnAlarmOnayla) and "Olaylar" (BtnAlarmOlaylar).
// Hidden at start.
class AlarmBar final : public QFrame
{
    Q_OBJECT
public:
    explicit AlarmBar(QWidget *parent = nullptr);

    // Shown or hidden by the alarms themselves, not by the main window going to the tray and back.
    void setVisible(bool visible) override;

Q_SIGNALS:
    void raisedChanged(bool raised);
};

} // namespace korvel
