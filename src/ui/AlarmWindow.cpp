#include "ui/AlarmWindow.h"

namespace korvel
{

AlarmWindow::AlarmWindow(QWidget *parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Tfrmuyari"));
    setWindowTitle(QStringLiteral("Uyarı!!!"));
    setFixedSize(334, 246);
    setStyleSheet(QStringLiteral("#Tfrmuyari { background: black; }"));
}

} // namespace korvel
