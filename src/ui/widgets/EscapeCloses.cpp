#include "EscapeCloses.h"

#include <QKeyEvent>
#include <QWidget>

namespace korvel
{

void EscapeCloses::install(QWidget &window)
{
    window.installEventFilter(new EscapeCloses(&window));
}

bool EscapeCloses::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier)
        return false;
    static_cast<QWidget *>(watched)->close();
    return true;
}

} // namespace korvel
