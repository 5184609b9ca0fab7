#pragma once

#include <QWidget>

namespace korvel {

// The analyzer tool window TVD1KAL ("VNA310"): serial register reads and writes, and the log of every
// register dump decode.
class ToolWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit ToolWindow(QWidget *parent = nullptr);
};

} // namespace korvel
