#include "ui/AlarmBar.h"

#include "ui/FormBuilder.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace korvel
{

AlarmBar::AlarmBar(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("AlarmBar"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(200, 0, 0));
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 3, 8, 3);
    QLabel *text = form::label(this, QStringLiteral("LblAlarm"), QString());
    QFont bold = text->font();
    bold.setBold(true);
    text->setFont(bold);
    text->setTextInteractionFlags(Qt::NoTextInteraction);
    layout->addWidget(text, 1);
    for (const auto &[name, caption] :
         {std::pair("BtnAlarmOnayla", "Onayla"), std::pair("BtnAlarmOlaylar", "Olaylar")})
        layout->addWidget(form::button(this, QString::fromLatin1(name), QString::fromUtf8(caption)));
    QFrame::setVisible(false);
}

void AlarmBar::setVisible(bool visible)
{
    const bool was = !isHidden();
    QFrame::setVisible(visible);
    if (was != visible)
        Q_EMIT raisedChanged(visible);
}

} // namespace korvel
