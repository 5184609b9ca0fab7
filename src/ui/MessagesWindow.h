#pragma once

#include <QWidget>

namespace korvel
{

// The messages window TFrmMesajlar: message titles above, the selected body below.
class MessagesWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit MessagesWindow(QWidget *parent = nullptr);
};

} // namespace korvel
