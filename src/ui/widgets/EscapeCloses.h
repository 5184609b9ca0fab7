#pragma once

#include <QObject>

class QWidget;

namespace korvel
{

// Escape without modifiers closes a window, as it closes a dialog: the key reaches the window when no
// child (an open date popup, an edited cell) took it first.
class EscapeCloses final : public QObject
{
    Q_OBJECT
public:
    static void install(QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};

} // namespace korvel
