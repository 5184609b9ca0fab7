#pragma once

#include <QWidget>

namespace korvel
{

// The traffic log TFrmhaberlesme: one list of every received chunk with its time.
class TrafficLogWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit TrafficLogWindow(QWidget *parent = nullptr);
};

} // namespace korvel
