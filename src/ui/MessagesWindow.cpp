#include "ui/MessagesWindow.h"

#include "ui/FormBuilder.h"
#include "ui/widgets/EscapeCloses.h"
#include "ui/widgets/GroupHeaderDelegate.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel
{

MessagesWindow::MessagesWindow(QWidget *parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TFrmMesajlar"));
    setWindowTitle(QStringLiteral("Mesajlar"));
    resize(674, 563);
    auto *layout = new QVBoxLayout(this);
    auto *titles = new QListWidget(this);
    titles->setObjectName(QStringLiteral("RzListBox1"));
    titles->setFixedHeight(161);
    titles->setItemDelegate(new GroupHeaderDelegate(titles));
    titles->setUniformItemSizes(true);
    layout->addWidget(titles);
    auto *body = new QPlainTextEdit(this);
    body->setObjectName(QStringLiteral("RichEdit1"));
    body->setReadOnly(true);
    body->setStyleSheet(QStringLiteral("QPlainTextEdit { background: #fff8dc; color: #8b4513; }"));
    layout->addWidget(body, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(
        form::button(this, QStringLiteral("BitBtn2"), QStringLiteral("Yeni Mesajları Kontrol Et")));
    buttons->addStretch(1);
    QPushButton *close = form::button(this, QStringLiteral("BitBtn1"), QStringLiteral("Kapat"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    EscapeCloses::install(*this);
}

} // namespace korvel
