#include "ui/AlarmWindow.h"

#include "ui/FormBuilder.h"
#include "ui/widgets/Lamp.h"
#include "ui/widgets/ScrollingText.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace korvel
{

namespace
{
// Lamp, caption and state text of inputs 1 to 4.
struct InputControls {
    const char *lamp;
    const char *caption;
    const char *state;
};
const InputControls inputs[] = {{"Shape9", "Label160", "Label5"},
                                {"Shape1", "Label2", "Label6"},
                                {"Shape2", "Label3", "Label7"},
                                {"Shape3", "Label4", "Label8"}};
const Colour grey = rgb(128, 128, 128);
} // namespace

AlarmWindow::AlarmWindow(QWidget *parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Tfrmuyari"));
    setWindowTitle(QStringLiteral("Uyarı!!!"));
    setFixedSize(334, 246);
    setAutoFillBackground(true);
    QPalette dark = palette();
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    setPalette(dark);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 10);
    auto *text = new ScrollingText(this);
    text->setObjectName(QStringLiteral("label1"));
    QFont big = text->font();
    big.setPointSize(13);
    big.setBold(true);
    text->setFont(big);
    QPalette red = text->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    text->setPalette(red);
    text->setFixedHeight(60);
    layout->addWidget(text);

    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(4);
    for (int i = 0; i < 4; ++i) {
        QLabel *caption =
            form::label(this, QString::fromLatin1(inputs[i].caption), QStringLiteral("İnput %1").arg(i + 1));
        caption->setAlignment(Qt::AlignCenter);
        grid->addWidget(caption, 0, i);
        Lamp *lamp = form::lamp(this, QString::fromLatin1(inputs[i].lamp));
        lamp->setFixedSize(34, 34);
        lamp->setBrushColour(grey);
        grid->addWidget(lamp, 1, i, Qt::AlignHCenter);
        QLabel *state = form::label(this, QString::fromLatin1(inputs[i].state), QString());
        state->setAlignment(Qt::AlignCenter);
        state->setStyleSheet(QStringLiteral("color: #ff6060; font-weight: bold;"));
        grid->addWidget(state, 2, i);
    }
    layout->addLayout(grid);
    layout->addStretch(1);
    QPushButton *close = form::button(this, QStringLiteral("Button1"), QStringLiteral("Kapat"));
    layout->addWidget(close, 0, Qt::AlignHCenter);
}

void AlarmWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (const QScreen *s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

} // namespace korvel
