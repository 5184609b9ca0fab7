#include "ui/AboutDialog.h"
#include "TestApplication.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace korvel;

// What "Hakkında" says of the link and the history in each state a support call meets.
TEST(AboutDialog, SaysWhatTheLinkAndTheHistoryAre)
{
    AboutDialog::Facts base;
    base.version = QStringLiteral("1.4.0");
    base.qtVersion = QStringLiteral("6.4.2");
    base.server = QStringLiteral("localhost:17814");
    const struct {
        bool connected, secure;
        QString history;
        qint64 bytes;
        QStringList expected;
    } cases[] = {
        {false,
         false,
         {},
         -1,
         {QStringLiteral("Bağlantı: yok"), QStringLiteral("Geçmiş dosyası: kayıt yapılmıyor")}},
        {true,
         false,
         QStringLiteral("/tmp/g.sqlite"),
         -1,
         {QStringLiteral("Bağlantı: şifresiz (TLS yok)"), QStringLiteral("Boyutu: henüz oluşturulmadı")}},
        {true,
         true,
         QStringLiteral("/tmp/g.sqlite"),
         2048,
         {QStringLiteral("Bağlantı: güvenli (TLS)"), QStringLiteral("Sertifika SHA-256: AB:CD"),
          QStringLiteral("Geçmiş dosyası: /tmp/g.sqlite")}},
    };
    for (const auto &c : cases) {
        AboutDialog::Facts facts = base;
        facts.connected = c.connected;
        facts.secure = c.secure;
        facts.fingerprint = QStringLiteral("AB:CD");
        facts.historyFile = c.history;
        facts.historyBytes = c.bytes;
        facts.readme = QStringLiteral("/usr/share/doc/korvel/README.md");
        const QStringList lines = AboutDialog::text(facts).split(u'\n');
        for (const QString &line : {QStringLiteral("Korvel 1.4.0"), QStringLiteral("Qt 6.4.2"),
                                    QStringLiteral("Sunucu: localhost:17814"),
                                    QStringLiteral("Kullanım kılavuzu: /usr/share/doc/korvel/README.md")})
            EXPECT_TRUE(lines.contains(line)) << line.toStdString();
        for (const QString &line : c.expected)
            EXPECT_TRUE(lines.contains(line)) << line.toStdString();
        EXPECT_EQ(lines.contains(QStringLiteral("Sertifika SHA-256: AB:CD")), c.secure);
        if (c.secure) {
            // The dialog shows the text whole; its picture is kept in the build tree, to be looked at.
            test::application("app_tests");
            AboutDialog dialog(AboutDialog::text(facts));
            dialog.show();
            EXPECT_EQ(dialog.findChild<QLabel *>(QStringLiteral("LblHakkinda"))->text(),
                      AboutDialog::text(facts));
            dialog.grab().save(QStringLiteral("about.png"));
        }
    }
}
