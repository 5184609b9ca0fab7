#include "ui/ToolWindow.h"

#include "ui/FormBuilder.h"

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
    for (int i = 1; i <= 4; ++i)
        grid->addWidget(form::edit(this, QStringLiteral("b%1").arg(i), QStringLiteral("255")), row, i - 1);
    ++row;
    const char *buttons[][2] = {
        {"Button1", "Oku"}, {"Button2", "Button2"}, {"Button3", "Bağlan"}, {"Button4", "Gönder"}};
    for (int i = 0; i < 4; ++i)
        grid->addWidget(
            form::button(this, QString::fromUtf8(buttons[i][0]), QString::fromUtf8(buttons[i][1])), row, i);
    ++row;
    grid->addWidget(form::label(this, QStringLiteral("Label2"), QStringLiteral("Mesaj...")), row++, 0, 1, 4);
    grid->addWidget(memo(this, QStringLiteral("Memo3")), row, 0, 1, 2);
    grid->addWidget(memo(this, QStringLiteral("Memo1")), row, 2);
    grid->addWidget(memo(this, QStringLiteral("Memo2")), row, 3);
}

} // namespace korvel
