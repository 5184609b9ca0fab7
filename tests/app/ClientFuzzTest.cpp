#include "MemoryLink.h"
#include "ScenarioEnvironment.h"
#include "TestApplication.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "link/Cp1254.h"
#include "ui/ClientWindows.h"
#include "values/DeviceValueTable.h"
#include "values/ValueRenderer.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <random>

using namespace korvel;

namespace
{

// Pieces the server's replies are made of: every tag, separators, terminators, numbers, dump and record
// text, and bytes of every kind. Random strings of them reach deep into every handler.
const char *const pieces[] = {
    "pong",
    "yenimesaj",
    "akimdegerleri",
    "reaktifenerji",
    "tedassycal",
    "mesajvar",
    "Hattayok",
    "haklar",
    "tblhaklar",
    "sayacal",
    "Sycdegerleri",
    "enerjial",
    "input",
    "cihazenerji",
    "degerler",
    "cihazlar",
    "\x01",
    "\x01\x01\x01",
    "\x02",
    "\xF4\xF4\xF4",
    "$",
    "$0",
    "$1",
    "$2",
    "1$3$144$",
    "1$3$8$",
    "$199$239",
    "0",
    "1",
    "7",
    "255",
    "256",
    "-1",
    "12001",
    "99999999999999999999",
    "VNA310",
    "VNR420",
    "VNM530",
    "G",
    "\xFE\xFD",
    ",",
    ".",
    " ",
    "x",
    "00002   ",
};

QByteArray randomChunk(std::mt19937 &random)
{
    std::uniform_int_distribution<int> count(1, 60);
    std::uniform_int_distribution<size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    QByteArray chunk;
    for (int n = count(random); n > 0; --n) {
        if (byte(random) < 20)
            chunk.append(char(byte(random)));
        else
            chunk.append(pieces[piece(random)]);
    }
    return chunk;
}

// A value record set of about the right length with random kinds, payloads and row.
QByteArray randomRecords(std::mt19937 &random)
{
    // Mostly entries, now and then a record of another kind that shifts the later ones.
    const char kinds[] = "0101010101010101012x";
    QByteArray records;
    for (int n = 0, count = 40 + int(random() % 30); n < count; ++n) {
        if (n == 43) {
            records += "$1" + QByteArray::number(int(random() % 300)).rightJustified(5, '0') + "   ";
            continue;
        }
        records += '$';
        records += kinds[random() % 20];
        const QByteArray payload =
            QByteArray::number(quint64(random()) * 7919 % 100000000).rightJustified(8, '0');
        records += random() % 400 == 0 ? QByteArray("x$ 9") : payload;
    }
    if (random() % 3 == 0)
        records.truncate(qsizetype(random() % records.size()));
    return "cihazenerji\x01" + QByteArray::number(int(random() % 400)) + "\x01G\x01" + records +
           "\x01\x01\xF4\xF4\xF4";
}

// A register dump with random counts and numbers, now and then malformed.
QByteArray randomDump(std::mt19937 &random)
{
    QByteArray dump = "enerjial\x01\x01\x011$3$" + QByteArray::number(int(random() % 1200) - 100) + '$';
    for (int n = int(random() % 300); n > 0; --n) {
        const int choice = int(random() % 40);
        dump += choice == 0   ? QByteArray("abc")
                : choice == 1 ? QByteArray("99999999999")
                              : QByteArray::number(int(random() % 256));
        dump += '$';
    }
    return dump;
}

} // namespace

// Hostile and truncated replies through the real handlers and views: no crash, no hang, nothing outside
// the table (the sanitizer build runs this too), and the renderer keeps drawing whatever arrived.
TEST(ClientFuzz, RandomRepliesThroughTheRealHandlers)
{
    test::application("app_tests");
    ScenarioEnvironment environment;
    MemoryLink link;
    Client client(environment, link);
    client.start();
    client.windows().screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    qobject_cast<QAbstractButton *>(client.windows().screen().find(QStringLiteral("TFrmGiris.suiButton1")))
        ->click();
    ASSERT_TRUE(client.state().loggedIn);

    std::mt19937 random(17814);
    const char *const kinds[] = {"anideger", "tuketim",   "sabitler",  "kondasatordurum", "sayac",
                                 "",         "harmonikb", "harmoniki", "harmoniku"};
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < 3000; ++round) {
        client.state().pendingKind = QString::fromLatin1(kinds[round % std::size(kinds)]);
        client.valueTable().setSlotCursor(int(random() % 300) - 20);
        const int shape = round % 4;
        link.deliver(shape == 0   ? randomRecords(random)
                     : shape == 1 ? randomDump(random)
                                  : randomChunk(random));
        // Mostly the link goes quiet after a chunk, and a held tail is handled as it stands; now and then
        // the next chunk joins it.
        if (Ticker *hold = environment.ticker(QStringLiteral("TFrmAna.TimerParca"));
            round % 8 != 7 && hold->isActive())
            hold->fire();
        if (round % 50 == 0) {
            environment.ticker(QStringLiteral("TFrmAna.Timer1"))->fire();
            environment.takeBoxes();
        }
    }
    // The generators reach the store: some record sets landed in their rows.
    int rowsFilled = 0;
    for (int row = 2; row <= DeviceValueTable::LastRow; ++row)
        rowsFilled += client.valueTable().value(row, 0) != -1.0;
    EXPECT_GT(rowsFilled, 0);
    // Linear handling keeps a few thousand small chunks far below this, even with sanitizers.
    EXPECT_LT(timer.elapsed(), 60000);
    EXPECT_TRUE(client.state().loggedIn);
}
