#include "ui/LoginWindow.h"

#include "ui/FormBuilder.h"
#include "ui/StatusLine.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace korvel
{

namespace
{
constexpr int titleHeight = 24;
}

LoginWindow::LoginWindow(QWidget *parent) : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog)
{
    setObjectName(QStringLiteral("TFrmGiris"));
    setWindowTitle(QStringLiteral("   KORVEL İNTERAKTİF"));
    setWindowModality(Qt::ApplicationModal);
    setStyleSheet(QStringLiteral("#TFrmGiris { background: #eef1f5; border: 1px solid #4a5a70; }"));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(1, 1, 1, 1);
    outer->setSpacing(0);
    outer->addWidget(buildTitleBar());

    auto *body = new QWidget(this);
    auto *grid = new QGridLayout(body);
    grid->setContentsMargins(8, 6, 8, 4);
    grid->setVerticalSpacing(3);
    grid->addWidget(form::label(body, QStringLiteral("Label1"), QStringLiteral("Kullanıcı Adı:")), 0, 0);
    QLineEdit *user = form::edit(body, QStringLiteral("Edit1"), QString());
    grid->addWidget(user, 0, 1, 1, 2);
    grid->addWidget(form::label(body, QStringLiteral("Label5"), QStringLiteral("Şifre (Üyeler)")), 1, 0);
    QLineEdit *password = form::edit(body, QStringLiteral("Edit4"), QString());
    password->setEchoMode(QLineEdit::Password);
    grid->addWidget(password, 1, 1, 1, 2);
    // Room for any IPv4 address and a host name of 30 characters, whichever fields are shown.
    user->setMinimumWidth(user->fontMetrics().averageCharWidth() * 30 + 12);
    QLineEdit *host = form::edit(body, QStringLiteral("Servername"), QString());
    auto *address = new QPlainTextEdit(QStringLiteral("127.0.0.1"), body);
    address->setObjectName(QStringLiteral("edit3"));
    address->setFixedHeight(host->sizeHint().height());
    address->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    address->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    address->setLineWrapMode(QPlainTextEdit::NoWrap);
    QLineEdit *port = form::edit(body, QStringLiteral("edtport"), QStringLiteral("17814"));
    // The server fields are hidden until F5 or F6; each comes with its label.
    const struct {
        const char *name;
        const char *caption;
        QWidget *field;
    } serverFields[] = {{"LblServername", "Sunucu:", host},
                        {"LblEdit3", "Yedek adres:", address},
                        {"Label2", "Portno", port}};
    int row = 2;
    for (const auto &f : serverFields) {
        QLabel *label = form::label(body, QString::fromLatin1(f.name), QString::fromUtf8(f.caption));
        label->setBuddy(f.field);
        label->hide();
        f.field->hide();
        grid->addWidget(label, row, 0);
        grid->addWidget(f.field, row++, 1, 1, 2);
    }
    QCheckBox *tls = form::check(body, QStringLiteral("chkTls"), QStringLiteral("Güvenli bağlantı (TLS)"));
    tls->hide();
    grid->addWidget(tls, 5, 0, 1, 3);
    QPushButton *forgetPin =
        form::button(body, QStringLiteral("btnSertifikaSil"), QStringLiteral("Sabitlenmiş sertifikayı sil"));
    forgetPin->setAutoDefault(false);
    forgetPin->hide();
    grid->addWidget(forgetPin, 6, 0, 1, 3);

    QPushButton *connectButton = form::button(body, QStringLiteral("suiButton1"), QStringLiteral("Bağlan"));
    QPushButton *cancel = form::button(body, QStringLiteral("suiButton2"), QStringLiteral("İptal"));
    QPushButton *close = form::button(body, QStringLiteral("suiButton3"), QStringLiteral("Kapat"));
    for (QPushButton *b : {connectButton, cancel, close})
        b->setAutoDefault(false);
    grid->addWidget(connectButton, 7, 0);
    grid->addWidget(cancel, 7, 1);
    grid->addWidget(close, 7, 2);
    connect(connectButton, &QPushButton::clicked, this, &LoginWindow::connectClicked);
    connect(cancel, &QPushButton::clicked, this, &LoginWindow::cancelClicked);
    connect(close, &QPushButton::clicked, this, &LoginWindow::closeClicked);

    auto *progress = new QProgressBar(body);
    progress->setObjectName(QStringLiteral("RzProgressBar1"));
    progress->setRange(0, 100);
    progress->setValue(0);
    grid->addWidget(progress, 8, 0, 1, 3);
    // The server in use, and the keys that show its fields, which are hidden otherwise.
    m_server = form::label(body, QStringLiteral("LblSunucu"), QString());
    grid->addWidget(m_server, 9, 0, 1, 3);
    connect(host, &QLineEdit::textChanged, this, &LoginWindow::showServer);
    connect(port, &QLineEdit::textChanged, this, &LoginWindow::showServer);
    connect(address, &QPlainTextEdit::textChanged, this, &LoginWindow::showServer);
    showServer();
    outer->addWidget(body, 1);

    auto *status = new StatusLine(this);
    status->setObjectName(QStringLiteral("LABEL6"));
    status->setSimpleText(QStringLiteral("   Bağlantı Yok"));
    outer->addWidget(status);
    // The window is as large as what it shows: it grows when the server fields appear.
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // Keyboard preview: the window sees every key before the focused field.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

QWidget *LoginWindow::buildTitleBar()
{
    auto *bar = new QWidget(this);
    bar->setFixedHeight(titleHeight);
    bar->setAutoFillBackground(true);
    bar->setStyleSheet(QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5b7aa3,"
                                      " stop:1 #2f4a6e); color: white; font-weight: bold;"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 0, 2, 0);
    auto *caption = new QLabel(windowTitle(), bar);
    row->addWidget(caption, 1);
    auto *closeBox = new QToolButton(bar);
    closeBox->setObjectName(QStringLiteral("TitleClose"));
    closeBox->setText(QStringLiteral("×"));
    closeBox->setAutoRaise(true);
    row->addWidget(closeBox);
    // The title bar's close button closes only this window; the main window then opens unconnected.
    connect(closeBox, &QToolButton::clicked, this, &QDialog::reject);
    return bar;
}

void LoginWindow::showServer()
{
    const QString typed = findChild<QLineEdit *>(QStringLiteral("Servername"))->text();
    const QString host = typed.isEmpty()
                             ? findChild<QPlainTextEdit *>(QStringLiteral("edit3"))->toPlainText().trimmed()
                             : typed;
    m_server->setText(QStringLiteral("Sunucu: %1:%2 (F5/F6: değiştir)")
                          .arg(host, findChild<QLineEdit *>(QStringLiteral("edtport"))->text()));
}

void LoginWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (QScreen *s = screen())
        move(s->availableGeometry().right() + 1 - width(), s->availableGeometry().top());
    Q_EMIT shown();
    // Typing goes where it is wanted: the name, or the password when a remembered name fills it.
    auto *user = findChild<QLineEdit *>(QStringLiteral("Edit1"));
    (user->text().isEmpty() ? user : findChild<QLineEdit *>(QStringLiteral("Edit4")))->setFocus();
}

bool LoginWindow::eventFilter(QObject *watched, QEvent *event)
{
    // A server field shown or hidden takes its label with it.
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
        for (auto *label : findChildren<QLabel *>()) {
            if (label->buddy() == watched)
                label->setVisible(event->type() == QEvent::ShowToParent);
        }
    }
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_F5) {
        Q_EMIT alternativeHostKey();
        return true;
    }
    if (key == Qt::Key_F6) {
        Q_EMIT portKey();
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        const QString name = watched->objectName();
        if (name == QLatin1String("Edit1")) {
            findChild<QWidget *>(QStringLiteral("Edit4"))->setFocus();
            return true;
        }
        // Enter in the password connects, as "Bağlan" does.
        if (name == QLatin1String("Edit4")) {
            if (auto *connectButton = findChild<QPushButton *>(QStringLiteral("suiButton1"));
                connectButton->isEnabled())
                connectButton->click();
            return true;
        }
        // Enter presses the focused button, as Space does.
        if (auto *button = qobject_cast<QPushButton *>(watched); button && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LoginWindow::mousePressEvent(QMouseEvent *event)
{
    m_dragStart = event->globalPosition().toPoint() - pos();
}

void LoginWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        move(event->globalPosition().toPoint() - m_dragStart);
}

} // namespace korvel
