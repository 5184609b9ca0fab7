#include "ui/TrafficLogWindow.h"

#include <QFontDatabase>
#include <QListWidget>
#include <QVBoxLayout>

namespace korvel
{

TrafficLogWindow::TrafficLogWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFrmhaberlesme"));
    setWindowTitle(QStringLiteral("Frmhaberlesme"));
    resize(696, 480);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *list = new QListWidget(this);
    list->setObjectName(QStringLiteral("ListBox1"));
    list->setUniformItemSizes(true);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(list);
}

} // namespace korvel
