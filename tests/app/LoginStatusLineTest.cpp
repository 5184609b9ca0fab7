#include "TestApplication.h"
#include "ui/LoginWindow.h"
#include "ui/StatusLine.h"

#include <QCoreApplication>
#include <QLabel>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{
// Whether a label shows its whole text in the room the window gives it.
bool showsWhole(const QLabel &label)
{
    return label.fontMetrics().horizontalAdvance(label.text()) <= label.contentsRect().width();
}
} // namespace

// Every text of the login window's status line is read whole, the simple text and the panels at once,
// within the window's fixed size.
TEST(LoginStatusLine, ShowsEveryTextWhole)
{
    test::application("app_tests");
    LoginWindow window;
    window.show();
    auto *line = window.findChild<StatusLine *>(QStringLiteral("LABEL6"));
    ASSERT_NE(line, nullptr);
    const QList<QLabel *> labels = line->findChildren<QLabel *>();
    ASSERT_EQ(labels.size(), 3);

    const char *simpleTexts[] = {"   Bağlantı Yok",
                                 "   Kullanıcı Adı Girin",
                                 "   İnternet bağlantısı mevcut",
                                 "   İnternet bağlantısı yok",
                                 "  Rivodov Bağlanıyor",
                                 "   Sunucuya ulaşılamadı",
                                 "Bağlantı Kuruldu",
                                 "Güvenli bağlantı kurulamadı",
                                 "Sertifika reddedildi",
                                 "Sertifikaya güvenilmedi",
                                 "Sertifika değişti! Bağlanılmadı",
                                 "Sabitlenmiş sertifika silindi",
                                 "Sabitlenmiş sertifika yok"};
    line->setPanelText(1, QStringLiteral("Güvenli bağlantı"));
    line->setPanelText(2, QStringLiteral("Bağlantı Hatası"));
    for (const char *text : simpleTexts) {
        line->setSimpleText(QString::fromUtf8(text));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        for (QLabel *label : labels)
            EXPECT_TRUE(showsWhole(*label))
                << label->text().toStdString() << " in " << label->contentsRect().width() << " pixels";
    }
}
