#pragma once

#include "link/RequestLedger.h"

#include <QDateTime>
#include <QObject>

namespace korvel
{

class Environment;
class Screen;

// How old the values on the views are. `LblSonVeri` in the views' header line gives the time the data
// that the tab on screen shows arrived (each kind of data keeps its own time; a tab that shows two
// kinds gives the newer); a device click empties it. While the link is down every page's displays are
// drawn dimmed, so that values that can no longer change do not pass for live ones; a fresh reply lights
// the pages that show its kind again.
class DataAge final : public QObject
{
    Q_OBJECT
public:
    DataAge(Screen &screen, RequestLedger &ledger, QObject *parent = nullptr);

    void linkLost();
    // Another device was selected: what the views show is no one's data yet.
    void deviceSelected();
    // The tab on screen changed.
    void pageChanged();

private:
    void arrived(const Arrival &arrival);
    void showAge();

    Screen &m_screen;
    // When data of each kind last arrived for the views since the device was selected.
    QDateTime m_times[dataKindCount];
};

} // namespace korvel
