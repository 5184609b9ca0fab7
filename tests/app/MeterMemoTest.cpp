#include "TestApplication.h"
#include "core/ClientState.h"
#include "link/ReplyText.h"
#include "metering/MeterReadout.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/WidgetScreen.h"

#include <QPlainTextEdit>
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
