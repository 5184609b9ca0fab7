#pragma once

#include "values/DeviceValueTable.h"

#include <QWidget>

namespace korvel
{

// The analyzer tool window TVD1KAL ("VNA310"): serial register reads and writes, and the log of every
// register dump decode. It owns the one value table of the process, which the main window reaches
// through it.
class ToolWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit ToolWindow(QWidget *parent = nullptr);

    DeviceValueTable &valueTable() { return m_table; }

private:
    DeviceValueTable m_table;
};

} // namespace korvel
