#include "ui/ToolWindow.h"

#include "ui/FormBuilder.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace korvel
{

namespace
{
QPlainTextEdit *memo(QWidget *parent, const QString &name)
{
    auto *m = new QPlainTextEdit(name, parent);
    m->setObjectName(name);
    return m;
}
} // namespace

ToolWindow::ToolWindow(QWidget *parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TVD1KAL"));
    setWindowTitle(QStringLiteral("VNA310"));
    resize(648, 386);
    auto *grid = new QGridLayout(this);
    // The request fields on the left, the buttons beside them.
    const struct {
        const char *label;
        const char *labelCaption;
        const char *edit;
        const char *text;
    } fields[] = {{"Label1", "Cihaz Adres", "Edit1", "1"},
                  {"Label10", "iLK", "Edit2", "0"},
                  {"Label11", "ADET", "Edit3", "70"},
                  {"Label3", "İstek", "Edit4", "Edit4"}};
    int row = 0;
    for (const auto &f : fields) {
        grid->addWidget(form::label(this, QString::fromUtf8(f.label), QString::fromUtf8(f.labelCaption)), row,
                        0);
        grid->addWidget(form::edit(this, QString::fromUtf8(f.edit), QString::fromUtf8(f.text)), row, 1);
        ++row;
    }
    const struct {
        const char *name;
        const char *caption;
        int row;
        int column;
    } buttons[] = {{"Button1", "Oku", 0, 2},
                   {"Button2", "Button2", 1, 2},
                   {"Button3", "Bağlan", 0, 3},
                   {"Button4", "Gönder", 1, 3}};
    for (const auto &b : buttons)
        grid->addWidget(form::button(this, QString::fromUtf8(b.name), QString::fromUtf8(b.caption)), b.row,
                        b.column);
    grid->addWidget(form::label(this, QStringLiteral("Label2"), QStringLiteral("Mesaj...")), 2, 2, 1, 2);
    // The data bytes of the write frame.
    auto *bytes = new QHBoxLayout;
    for (int i = 1; i <= 4; ++i) {
        auto *b = form::edit(this, QStringLiteral("b%1").arg(i), QStringLiteral("255"));
        b->setMaximumWidth(60);
        bytes->addWidget(b);
    }
    bytes->addStretch();
    grid->addLayout(bytes, 3, 2, 1, 2);
    ++row;
    grid->addWidget(memo(this, QStringLiteral("Memo3")), row, 0, 1, 2);
    grid->addWidget(memo(this, QStringLiteral("Memo1")), row, 2);
    grid->addWidget(memo(this, QStringLiteral("Memo2")), row, 3);
    grid->setRowStretch(row, 1);
    // The decode log is what a person reads here: it gets the widest column.
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(3, 1);
}

} // namespace korvel
