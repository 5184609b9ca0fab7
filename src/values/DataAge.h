#pragma once

#include <QObject>

namespace korvel
{

class Environment;
class Screen;

// How old the values on the views are. `LblSonVeri` in the views' header line gives the time the last
// data reply for the active device arrived (a device click empties it). While the link
// is down the displays of the views are drawn dimmed, so that values that can no longer change do not
// pass for live ones; the next data reply lights them again.
class DataAge final : public QObject
{
    Q_OBJECT
public:
    DataAge(Screen &screen, Environment &environment, QObject *parent = nullptr);

    void dataArrived();
    void linkLost();

private:
    Screen &m_screen;
    Environment &m_environment;
    bool m_dimmed = false;
};

} // namespace korvel
