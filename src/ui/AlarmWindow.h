#pragma once

#include <QWidget>

namespace korvel
{

// The alarm window Tfrmuyari: black, always on top, centred; raised when a device's inputs change.
class AlarmWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit AlarmWindow(QWidget *parent = nullptr);
};

} // namespace korvel
