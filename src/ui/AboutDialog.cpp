#include "ui/AboutDialog.h"

#include "core/Environment.h"
#include "link/Link.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvel
{

namespace
{
// The history is the file and its journal: together they are what the disk holds.
qint64 historySize(const QString &file)
{
    const QFileInfo main(file);
    if (!main.exists())
        return -1;
    const QFileInfo journal(file + QStringLiteral("-wal"));
    return main.size() + (journal.exists() ? journal.size() : 0);
}
} // namespace

AboutDialog::AboutDialog(const QString &text, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmHakkinda"));
    setWindowTitle(QStringLiteral("Hakkında"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("LblHakkinda"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Tamam"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString AboutDialog::text(const Facts &f)
{
    QStringList lines;
    lines << QStringLiteral("Korvel %1").arg(f.version) << QStringLiteral("Qt %1").arg(f.qtVersion)
          << QString();
    lines << QStringLiteral("Sunucu: %1").arg(f.server);
    if (!f.connected)
        lines << QStringLiteral("Bağlantı: yok");
    else if (!f.secure)
        lines << QStringLiteral("Bağlantı: şifresiz (TLS yok)");
    else
        lines << QStringLiteral("Bağlantı: güvenli (TLS)")
              << QStringLiteral("Sertifika SHA-256: %1").arg(f.fingerprint);
    lines << QString();
    if (f.historyFile.isEmpty())
        lines << QStringLiteral("Geçmiş dosyası: kayıt yapılmıyor");
    else
        lines << QStringLiteral("Geçmiş dosyası: %1").arg(QDir::toNativeSeparators(f.historyFile))
              << QStringLiteral("Boyutu: %1")
                     .arg(f.historyBytes < 0 ? QStringLiteral("henüz oluşturulmadı")
                                             : QLocale().formattedDataSize(f.historyBytes));
    lines << QString() << QStringLiteral("Kullanım kılavuzu: %1").arg(QDir::toNativeSeparators(f.readme));
    return lines.join(u'\n');
}

QString AboutDialog::readmePath()
{
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .absoluteFilePath(QStringLiteral("../../share/doc/korvel/README.md"));
    if (QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
    return QStringLiteral(KORVEL_SOURCE_README);
}

void AboutDialog::install(ClientWindows &windows, Environment &environment, const Link &link)
{
    WidgetScreen &screen = windows.screen();
    MainWindow &main = windows.main();
    screen.onClick(QStringLiteral("Hakkinda1"), &main, [&screen, &main, &environment, &link] {
        Facts facts;
        facts.version = QCoreApplication::applicationVersion();
        facts.qtVersion = QString::fromLatin1(qVersion());
        const QString typed = screen.caption(QStringLiteral("TFrmGiris.Servername"));
        const QString host =
            typed.isEmpty() ? screen.caption(QStringLiteral("TFrmGiris.edit3")).trimmed() : typed;
        facts.server = host + u':' + screen.caption(QStringLiteral("TFrmGiris.edtport"));
        facts.connected = link.isConnected();
        facts.secure = link.isSecure();
        facts.fingerprint = link.certificateFingerprint();
        facts.historyFile = environment.historyFile();
        facts.historyBytes = facts.historyFile.isEmpty() ? -1 : historySize(facts.historyFile);
        facts.readme = readmePath();
        auto *dialog = new AboutDialog(text(facts), &main);
        dialog->open();
    });
}

} // namespace korvel
