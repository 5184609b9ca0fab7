#include "TestApplication.h"
#include "core/ClientState.h"
#include "link/ReplyText.h"
#include "metering/MeterReadout.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/MeterCsv.h"
#include "ui/MeterDetailPage.h"
#include "ui/MeterReadingPage.h"
#include "ui/WidgetScreen.h"

#include <QDateTime>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{
QString readoutReply(int lines)
{
    QString reply = QStringLiteral("sayacal\x01\x01\x01");
    for (int i = 0; i < lines; ++i)
        reply += QStringLiteral("1.8.%1(012345.678*kWh)\r\n").arg(i % 10);
    return reply + QStringLiteral("8.8.0(000012.345*kvarh)\r\n!\r\n\xF4\xF4\xF4");
}
} // namespace

// A meter read a thousand times in one run: every reading starts from emptied memos, and the text boxes
// keep no undo history of the readings before.
TEST(MeterMemo, ThousandReadingsLeaveTheMemosAsOneReadingDoes)
{
    test::application("app_tests");
    ClientWindows windows;
    ClientState state;
    MeterReadout readout(windows.screen(), state);
    auto *memo = qobject_cast<QPlainTextEdit *>(windows.screen().find(QStringLiteral("Memo5")));
    ASSERT_NE(memo, nullptr);
    const QString reply = readoutReply(40);
    qsizetype oneReading = 0;
    for (int i = 0; i < 1000; ++i) {
        readout.reset();
        for (int part = 0; part < 2; ++part) {
            ReplyText text(reply);
            readout.handleReadout(text);
        }
        if (i == 0)
            oneReading = memo->toPlainText().size();
    }
    EXPECT_EQ(memo->toPlainText().size(), oneReading);
    EXPECT_EQ(memo->document()->availableUndoSteps(), 0);
    EXPECT_EQ(windows.screen().caption(QStringLiteral("Rzsyckaptop")), QStringLiteral("000012,34"));
}

// Readout text that keeps coming without a new reading stops at the memo's bound.
TEST(MeterMemo, EndlessReadoutStopsAtTheBound)
{
    test::application("app_tests");
    ClientWindows windows;
    ClientState state;
    MeterReadout readout(windows.screen(), state);
    readout.reset();
    const QString reply = readoutReply(2000);
    for (int i = 0; i < 20; ++i) {
        ReplyText text(reply);
        readout.handleReadout(text);
    }
    const QString memo = windows.screen().caption(QStringLiteral("Memo3"));
    EXPECT_LE(memo.size(), MeterReadout::memoLimit);
    EXPECT_GT(memo.size(), MeterReadout::memoLimit - reply.size());
    EXPECT_TRUE(memo.startsWith(QStringLiteral("1.8.0(012345.678*kWh)")));
}

// The memos hold the readout character for character, also where the text box shows it otherwise (line
// ends, a no-break space) and where a reply ends between CR and LF; a person's edit then holds what the
// box shows.
TEST(MeterMemo, HoldsTheTextAsReceivedUntilAPersonEditsIt)
{
    test::application("app_tests");
    ClientWindows windows;
    ClientState state;
    MeterReadout readout(windows.screen(), state);
    readout.reset();
    for (const QString &reply : {QStringLiteral("sayacal\x01\x01\x01"
                                                "1.8.0(1\r"),
                                 QStringLiteral("sayacal\x01\x01\x01\n2)\xA0"
                                                "ABCDEF\r8.8.0(3\r\n4)\xF4\xF4\xF4")}) {
        ReplyText text(reply);
        readout.handleReadout(text);
    }
    const QString received = QStringLiteral("1.8.0(1\r\n2)\xA0"
                                            "ABCDEF\r8.8.0(3\r\n4)\xF4\xF4\xF4");
    WidgetScreen &screen = windows.screen();
    EXPECT_EQ(screen.caption(QStringLiteral("Memo3")), received);
    EXPECT_EQ(screen.caption(QStringLiteral("Memo5")), received);
    EXPECT_EQ(screen.caption(QStringLiteral("Rzsycakttop")), QStringLiteral("1\r\n2)\xA0"
                                                                            "ABC"));
    EXPECT_EQ(screen.caption(QStringLiteral("Rzsyckaptop")), QStringLiteral("3\r\n4)\xF4\xF4\xF4"));

    auto *memo = qobject_cast<QPlainTextEdit *>(screen.find(QStringLiteral("Memo3")));
    ASSERT_NE(memo, nullptr);
    memo->moveCursor(QTextCursor::End);
    memo->insertPlainText(QStringLiteral("!"));
    EXPECT_EQ(screen.caption(QStringLiteral("Memo3")), memo->toPlainText());
    EXPECT_TRUE(screen.caption(QStringLiteral("Memo3")).endsWith(QStringLiteral("\xF4!")));
    EXPECT_EQ(screen.caption(QStringLiteral("Memo5")), received);
}

// What a meter page shows goes to a spreadsheet as one row, its columns named as the page names them,
// numbers in the export's decimal mark whichever mark the display shows.
TEST(MeterMemo, APageSavesWhatItShowsAsCsv)
{
    test::application("app_tests");
    ClientWindows windows;
    ClientState state;
    MeterReadout readout(windows.screen(), state);
    readout.reset();
    ReplyText text(readoutReply(3));
    readout.handleReadout(text);
    auto *reading = qobject_cast<QWidget *>(windows.screen().find(QStringLiteral("Rzsyckaptop")));
    while (reading && !qobject_cast<MeterReadingPage *>(reading))
        reading = reading->parentWidget();
    ASSERT_NE(reading, nullptr);
    auto *detail = qobject_cast<QWidget *>(windows.screen().find(QStringLiteral("tplaktif")));
    while (detail && !qobject_cast<MeterDetailPage *>(detail))
        detail = detail->parentWidget();
    ASSERT_NE(detail, nullptr);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sayac.csv"));
    const QDateTime at(QDate(2026, 3, 14), QTime(10, 30, 5));
    const struct {
        QLocale locale;
        const char *start;
    } cases[] = {
        {QLocale::c(),
         "\xEF\xBB\xBFZaman,Cihaz,Aktif (kWh),\xC4\xB0nd\xC3\xBCktif (kVArLh),Kapasitif (kVArCh),"
         "T1 (kWh),T2 (kWh),T3 (kWh)"},
        {QLocale(QLocale::Turkish, QLocale::Turkey), "\xEF\xBB\xBFZaman;Cihaz;Aktif (kWh);"},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(MeterCsv::save(*reading, QStringLiteral("530001"), at, c.locale, path), QString());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        ASSERT_EQ(lines.size(), 3) << "a header, one row, the last line end";
        EXPECT_TRUE(lines[0].startsWith(c.start)) << lines[0].toStdString();
        const QChar separator = c.locale.decimalPoint() == u',' ? u';' : u',';
        const QStringList row = QString::fromUtf8(lines[1]).trimmed().split(separator);
        EXPECT_EQ(row.value(0), QStringLiteral("2026-03-14T10:30:05"));
        EXPECT_EQ(row.value(1), QStringLiteral("530001"));
        EXPECT_EQ(row.value(4), QStringLiteral("000012") + c.locale.decimalPoint() + QStringLiteral("34"));
    }

    // The detail page: a grid of tariffs by kind, each cell named by its row and its column.
    ASSERT_EQ(MeterCsv::save(*detail, QStringLiteral("530001"), at, QLocale::c(), path), QString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString header = QString::fromUtf8(file.readLine()).trimmed();
    EXPECT_TRUE(header.contains(QStringLiteral(",Aktif T1 (KWH),Aktif T2 (KWH),"))) << header.toStdString();
    EXPECT_TRUE(header.contains(QStringLiteral(",Kapasitif TOPLAM (kVArCh),"))) << header.toStdString();
    EXPECT_TRUE(header.contains(QStringLiteral(",İndüktif / Aktif Oran (%),"))) << header.toStdString();
    EXPECT_EQ(header.count(u','), QString::fromUtf8(file.readLine()).trimmed().count(u','))
        << "as many cells";
}
