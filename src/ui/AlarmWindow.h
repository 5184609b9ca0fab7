#pragma once

#include <QWidget>

namespace korvel
{

// The alarm window Tfrmuyari: black, always on top, centred; raised when a device's inputs change. The
// scrolling alarm text above the lamps of inputs 1 to 4, their captions and state texts, and "Kapat".
class AlarmWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit AlarmWindow(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace korvel
