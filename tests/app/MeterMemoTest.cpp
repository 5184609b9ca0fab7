#include "TestApplication.h"
#include "core/ClientState.h"
#include "link/ReplyText.h"
#include "metering/MeterReadout.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/WidgetScreen.h"

#include <QPlainTextEdit>
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
