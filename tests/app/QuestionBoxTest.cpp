#include "TestApplication.h"
#include "app/DesktopEnvironment.h"
#include "app/Translations.h"
#include "control/ChangeQuestion.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <gtest/gtest.h>

#include <functional>

using namespace korvel;

namespace
{
// Answers the next question box with `answer` once it is on screen, after saving what it shows.
void whenAsked(const QString &picture, bool &defaultIsNo, std::function<void(QMessageBox &)> answer)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, picture, &defaultIsNo, answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->deleteLater();
        defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
        box->grab().save(picture);
        answer(*box);
    });
    poll->start(10);
}

QString stepsQuestion()
{
    using namespace ChangeQuestion;
    std::vector<bool> read(24, false);
    std::vector<bool> send(24, false);
    read[1] = true;
    send[2] = true;
    QStringList names;
    for (int n = 1; n <= 24; ++n)
        names << QStringLiteral("C%1").arg(n);
    return switchingQuestion(QStringLiteral("310001"), {Outputs::Steps, names, send, read});
}
} // namespace

// Every question of the client is a warning with Yes and No: No is the default button, so Enter and
// Escape both send nothing, and only Yes answers yes. The pictures are kept to be looked at.
TEST(QuestionBox, NoIsTheDefaultAndTheEscape)
{
    test::application("app_tests");
    DesktopEnvironment environment;
    const auto key = [](Qt::Key k) { return [k](QMessageBox &box) { QTest::keyClick(&box, k); }; };
    const auto yes = [](QMessageBox &box) { box.button(QMessageBox::Yes)->click(); };
    const struct {
        const char *picture;
        QString text;
        std::function<void(QMessageBox &)> answer;
        bool expected;
    } cases[] = {
        {"question-steps.png", stepsQuestion(), key(Qt::Key_Escape), false},
        {"question-steps-unknown.png",
         ChangeQuestion::switchingQuestion(
             QStringLiteral("310001"), {ChangeQuestion::Outputs::Steps,
                                        {QStringLiteral("C1"), QStringLiteral("C2"), QStringLiteral("C3")},
                                        {true, false, true},
                                        {}}),
         key(Qt::Key_Return), false},
        {"question-relays.png",
         ChangeQuestion::switchingQuestion(QStringLiteral("420001"),
                                           {ChangeQuestion::Outputs::Relays,
                                            {QStringLiteral("Röle 1"), QStringLiteral("Röle 2")},
                                            {true, false},
                                            {}}),
         yes, true},
        {"question-settings.png",
         ChangeQuestion::settingsQuestion(QStringLiteral("310001"),
                                          {QStringLiteral("CT (Akım Trafosu): 200 → 250")},
                                          {QStringLiteral("Alma Süre Monofaze: 1 (cihazdan okunmadı)"),
                                           QStringLiteral("Cos φ Reaktif Monofaze: 5,7 (izin verilen aralık: "
                                                          "0,950\u00A0–\u00A00,999)")}),
         key(Qt::Key_Escape), false},
        {"question-reset.png",
         QStringLiteral("DİKKAT\n\rcihaz tüketim (kWh) değerleri ve ayarları resetlensin mi ?"),
         key(Qt::Key_Escape), false},
    };
    for (const auto &c : cases) {
        bool defaultIsNo = false;
        whenAsked(QString::fromLatin1(c.picture), defaultIsNo, c.answer);
        EXPECT_EQ(environment.ask(c.text), c.expected) << c.picture;
        EXPECT_TRUE(defaultIsNo) << c.picture;
    }
}

// In a Turkish locale the boxes speak Turkish: the question's buttons read "Evet" and "Hayır" (as the
// questions that name a button say), and Qt's own texts come from its translations ("Tamam").
TEST(QuestionBox, TurkishButtonsInATurkishLocale)
{
    test::application("app_tests");
    const QLocale before;
    QLocale::setDefault(QLocale(QStringLiteral("tr_TR")));
    QTranslator *translator = Translations::install(QLocale());
    ASSERT_NE(translator, nullptr) << "qtbase_tr.qm is missing: qt6-translations-l10n";
    DesktopEnvironment environment;
    QStringList buttons;
    bool defaultIsNo = false;
    whenAsked(QStringLiteral("question-turkish.png"), defaultIsNo, [&buttons](QMessageBox &box) {
        for (QAbstractButton *b : box.buttons())
            buttons << b->text().remove(u'&');
        box.button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(
        environment.ask(QStringLiteral("Tedaş Okuma Kaydı ?\nEvet tıklanırsa Kayıt işlemi gerçekleşir")));
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("Evet"), QStringLiteral("Hayır")}));
    EXPECT_TRUE(defaultIsNo);

    QMessageBox info(QMessageBox::Information, QStringLiteral("Korvel"), QStringLiteral("Bilgi"),
                     QMessageBox::Ok);
    EXPECT_EQ(info.button(QMessageBox::Ok)->text().remove(u'&'), QStringLiteral("Tamam"));

    QCoreApplication::removeTranslator(translator);
    delete translator;
    QLocale::setDefault(before);
}
