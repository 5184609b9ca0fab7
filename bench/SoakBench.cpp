// A long run of the real client: a stream of replies of every kind the server sends, through the
// in-memory link, with the named tickers firing as time passes and Qt's events processed. Resident
// memory is sampled; once every bounded store (traffic log, message store, meter memos) has reached its
// bound, it must stay within 1 MiB until the end.
//
//   soak_bench [REPLIES]   (default 1,000,000)
#include "MemoryLink.h"
#include "ScenarioEnvironment.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "link/Cp1254.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/WidgetScreen.h"
#include "ui/widgets/GroupBar.h"
#include "values/DeviceValueTable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace korvel;

namespace
{

constexpr qint64 allowedGrowth = 1024 * 1024;
// Simulated time between two replies.
constexpr int msPerReply = 10;
// A disconnect and a fresh login, with its burst of device replies, this often.
constexpr int repliesPerSession = 20000;
constexpr int devicesPerLogin = 60;

qint64 residentBytes()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return qint64(resident) * sysconf(_SC_PAGESIZE);
}

double mib(qint64 bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

QByteArray wire(const QString &text)
{
    return cp1254::encode(text);
}

// A register dump of `count` bytes, each a small number that moves with `n`.
QByteArray dump(int count, int n)
{
    QByteArray reply = "enerjial\x01\x01\x01"
                       "1$3$" +
                       QByteArray::number(count) + '$';
    for (int i = 0; i < count; ++i)
        reply += QByteArray::number((i * 7 + n) % 256) + '$';
    return reply + "\x01\xF4\xF4\xF4";
}

// A value record set for row `row`: 43 entries, then the tail as the server writes it.
QByteArray records(int row, int n)
{
    QByteArray reply = "cihazenerji\x01" + QByteArray::number(row) +
                       "\x01"
                       "fabrika\x01";
    reply += "$0" + QByteArray::number(23012345 + n % 1000).rightJustified(8, '0');
    for (int i = 1; i < 43; ++i)
        reply += "$0" + QByteArray::number(i * 1000 + n % 997).rightJustified(8, '0');
    reply += "$100002   $000044000\x01\x01\xF4\xF4\xF4";
    return reply;
}

struct Soak {
    ScenarioEnvironment environment;
    MemoryLink link;
    Client client{environment, link};
    WidgetScreen &screen = client.windows().screen();
    qint64 clockMs = 0;
    struct Timed {
        const char *name;
        qint64 due;
    };
    std::vector<Timed> tickers;
    qint64 replies = 0;
    int serial = 12001;
    int logins = 0;
    int alarms = 0;

    Soak()
    {
        client.start();
        screen.setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
        screen.setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("demo"));
        click(QStringLiteral("TFrmGiris.suiButton1"));
        loginBurst();
        screen.showWindow(QStringLiteral("TFrmhaberlesme"));
        screen.showWindow(QStringLiteral("TFrmMesajlar"));
        for (const char *name : {"TFrmAna.Timer1", "Tfrmuyari.Timer1", "TFrmAna.Timer2", "TFrmAna.Timer3"}) {
            Ticker *ticker = environment.ticker(QString::fromLatin1(name));
            if (!ticker) {
                std::fprintf(stderr, "no ticker %s\n", name);
                std::exit(2);
            }
            tickers.push_back({name, ticker->interval()});
        }
        QApplication::processEvents();
    }

    void click(const QString &name)
    {
        if (auto *button = qobject_cast<QAbstractButton *>(screen.find(name)))
            button->click();
    }

    void loginBurst()
    {
        QByteArray burst;
        for (int i = 0; i < devicesPerLogin; ++i) {
            const QByteArray number = QByteArray::number(serial + i);
            const char *model = i % 3 == 0 ? "VNA310" : i % 3 == 1 ? "VNR420" : "VNM530";
            const QString group = i % 2 ? QStringLiteral("Çarşı") : QStringLiteral("Merkez");
            burst += wire(QStringLiteral("cihazlar\x01") + group + QLatin1Char('\x01')) + model +
                     wire(QStringLiteral("\x01Pano ")) + number + '\x01' + number + "\x01\xF4\xF4\xF4";
        }
        burst += "pong\x01\xF4\xF4\xF4";
        link.deliver(burst);
        replies += devicesPerLogin + 1;
    }

    // The link drops; a device click logs in again with the same credentials, and the server answers
    // with the device list.
    void relogin()
    {
        link.setDisconnected();
        QApplication::processEvents();
        Q_EMIT client.windows().main().groupBar()->itemClicked(0, 0);
        QApplication::processEvents();
        loginBurst();
    }

    void pending(const char *kind, int slot)
    {
        client.state().pendingKind = QString::fromLatin1(kind);
        if (slot >= 0)
            client.valueTable().setSlotCursor(slot);
    }

    // One reply of the next kind in the cycle; `n` varies the values.
    void reply(qint64 n)
    {
        const int i = int(n % 24);
        const int v = int(n % 1000);
        const QByteArray number = QByteArray::number(serial + int(n % devicesPerLogin));
        switch (i) {
        case 0:
            link.deliver("pong\x01\xF4\xF4\xF4");
            break;
        case 1:
            link.deliver("haklar\x01" + QByteArray::number(v % 4) +
                         "\x01"
                         "0\x01\xF4\xF4\xF4");
            break;
        case 2:
            link.deliver("tblhaklar\x01"
                         "1\x01"
                         "0\x01" +
                         QByteArray::number(v % 8) +
                         "\x01"
                         "3\x01"
                         "255\x01"
                         "7\x01\xF4\xF4\xF4");
            break;
        case 3:
            link.deliver("Hattayok\x01" + number + "\x01\x01\xF4\xF4\xF4");
            break;
        case 4:
            pending("anideger", 0);
            link.deliver(dump(124, v));
            break;
        case 5:
            pending("anideger", 15);
            link.deliver(dump(64, v));
            break;
        case 6:
            pending("tuketim", 36);
            link.deliver(dump(64, v));
            break;
        case 7:
            pending("sabitler", 100);
            link.deliver(dump(52, v));
            break;
        case 8:
            pending("kondasatordurum", 52);
            link.deliver(dump(40, v));
            break;
        case 9:
            pending(n % 3 == 0 ? "harmonikb" : n % 3 == 1 ? "harmoniki" : "harmoniku", -1);
            link.deliver(dump(128, v));
            break;
        case 10:
            link.deliver("akimdegerleri\x01" + QByteArray::number(v % 50) +
                         ",5\x01"
                         "13\x01"
                         "14\x01"
                         "39,5\x01 " +
                         number +
                         "\x01"
                         "10.12.26\x01"
                         "12:30:01\x01\xF4\xF4\xF4");
            break;
        case 11:
            link.deliver(records(2 + v % 6, v));
            break;
        case 12:
            link.deliver("reaktifenerji\x01" + number +
                         "\x01"
                         "08.01.2026\x01"
                         "15.01.2026\x01" +
                         QByteArray::number(1000 + v) +
                         "\x01"
                         "1200\x01"
                         "500\x01"
                         "530\x01"
                         "100\x01"
                         "110\x01\xF4\xF4\xF4");
            break;
        case 13:
            link.deliver("tedassycal\x01"
                         "77\x01"
                         "01.01.2026\x01"
                         "15.01.2026\x01" +
                         QByteArray::number(v) +
                         ",5\x01"
                         "1200,5\x01"
                         "500\x01"
                         "530\x01"
                         "100\x01"
                         "110\x01\xF4\xF4\xF4");
            break;
        case 14:
            link.deliver("Sycdegerleri\x01" + QByteArray::number(100000 + v) +
                         "\x01 7890,5\x01"
                         "x\x01\xF4\xF4\xF4");
            break;
        case 15:
            // A new readout: the request resets the meter views, then the readout arrives.
            click(QStringLiteral("VrShadowButton15"));
            link.deliver("sayacal\x01\x01\x01/KRV5\r\n0.0.0(00000077)\r\n1.8.0(0" +
                         QByteArray::number(12000 + v) +
                         ".678*kWh)\r\n5.8.0(001234.567*kvarh)\r\n8.8.0(000012.345*kvarh)\r\n0.9.5(3)\r\n"
                         "96.6.1(1)\r\n!\r\n\xF4\xF4\xF4");
            break;
        case 16:
            link.deliver("input\x01"
                         "3100" +
                         QByteArray::number(10 + v % 80) +
                         "\x01"
                         "10$12$2026$08$15$00$" +
                         QByteArray::number(v % 8) + "$5\x01\xF4\xF4\xF4");
            break;
        case 17:
            link.deliver("input\x01"
                         "3100" +
                         QByteArray::number(10 + v % 80) + "\x01$$$$$$$" + QByteArray::number(v % 16) +
                         "\x01\xF4\xF4\xF4");
            break;
        case 18:
            link.deliver("yenimesaj\x01\xF4\xF4\xF4");
            break;
        case 19:
        case 20:
            link.deliver(wire(QStringLiteral("mesajvar\x01Bakım ") + QString::number(n) +
                              QStringLiteral("\x01Pano bakımı cuma günü, sıra ") + QString::number(v)) +
                         ".\x01\xF4\xF4\xF4");
            break;
        case 21:
            link.deliver("pong\xF4\xF4\xF4");
            break;
        case 22:
            pending("anideger", 0);
            link.deliver(dump(144, v));
            break;
        default:
            link.deliver("sayacal\x01\x01\x01"
                         "1.8.1(000111.111*kWh)\r\n96.7.1(4)\r\n\xF4\xF4\xF4");
            break;
        }
        ++replies;
    }

    // Time passes by one reply: every named ticker that is due fires; Qt's events are processed.
    void advance()
    {
        clockMs += msPerReply;
        bool fired = false;
        for (Timed &t : tickers) {
            Ticker *ticker = environment.ticker(QString::fromLatin1(t.name));
            if (clockMs < t.due)
                continue;
            t.due += ticker->interval();
            if (ticker->isActive()) {
                ticker->fire();
                fired = true;
            }
        }
        if (fired) {
            environment.setNow(environment.now().addMSecs(1000));
            QApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            // What the test environment records for its checks is no part of the client.
            environment.takeBoxes();
            logins += int(link.takeSent().count("kulsifre"));
            alarms += int(environment.takePlays().size());
        }
    }

    // A readout far longer than a meter writes: the memos stop at their bound.
    void longReadout()
    {
        click(QStringLiteral("VrShadowButton15"));
        QByteArray text = "sayacal\x01\x01\x01";
        while (text.size() < 700 * 1024)
            text += "1.8.0(012345.678*kWh)\r\n";
        link.deliver(text + "\xF4\xF4\xF4");
        ++replies;
    }

    int listCount(const char *name) const
    {
        auto *list = qobject_cast<QListWidget *>(screen.find(QString::fromLatin1(name)));
        return list ? list->count() : -1;
    }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qint64 total = 1000000;
    if (argc > 1) {
        total = std::strtoll(argv[1], nullptr, 10);
        if (total < 1000) {
            std::fprintf(stderr, "usage: soak_bench [REPLIES]   (at least 1000)\n");
            return 2;
        }
    }
    // The message store fills at 2 messages in 24 replies: 10,000 need 120,000. A quarter of the run
    // and at least that, unless the run is too short for it: it then says what its warm-up reached.
    const qint64 warmUp = std::min(total / 2, std::max<qint64>(total / 4, 130000));

    Soak soak;
    soak.longReadout();
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 atWarmUp = 0, peak = 0, sampledAt = 0;
    qint64 warmUpMs = 0, warmUpReplies = 0;
    std::printf("%12s %12s\n", "replies", "RSS MiB");
    for (qint64 n = 0; soak.replies < total; ++n) {
        soak.reply(n);
        soak.advance();
        if (soak.replies / repliesPerSession != (soak.replies - 1) / repliesPerSession)
            soak.relogin();
        if (soak.replies - sampledAt >= total / 20) {
            sampledAt = soak.replies;
            const qint64 rss = residentBytes();
            std::printf("%12lld %12.2f\n", static_cast<long long>(soak.replies), mib(rss));
            std::fflush(stdout);
            if (atWarmUp)
                peak = std::max(peak, rss);
        }
        if (!atWarmUp && soak.replies >= warmUp) {
            atWarmUp = residentBytes();
            peak = atWarmUp;
            warmUpMs = elapsed.elapsed();
            warmUpReplies = soak.replies;
            std::printf("warm-up done: traffic log %d lines, message list %d\n",
                        soak.listCount("TFrmhaberlesme.ListBox1"), soak.listCount("TFrmMesajlar.RzListBox1"));
        }
    }
    QApplication::processEvents();
    const qint64 atEnd = residentBytes();
    const double seconds = double(elapsed.elapsed()) / 1000.0;
    const qint64 growth = atEnd - atWarmUp;
    std::printf("logins %d, device items %d, horn plays %d\n",
                soak.logins + int(soak.link.takeSent().count("kulsifre")),
                soak.client.windows().main().groupBar()->itemCount(0) +
                    soak.client.windows().main().groupBar()->itemCount(1),
                soak.alarms);
    std::printf("replies %lld in %.1f s: %.0f replies/s (%.0f replies/s after warm-up)\n",
                static_cast<long long>(soak.replies), seconds, double(soak.replies) / seconds,
                double(soak.replies - warmUpReplies) * 1000.0 /
                    double(std::max<qint64>(1, elapsed.elapsed() - warmUpMs)));
    std::printf("RSS at warm-up %.2f MiB, at end %.2f MiB, peak after warm-up %.2f MiB\n", mib(atWarmUp),
                mib(atEnd), mib(peak));
    const bool pass = growth <= allowedGrowth;
    std::printf("growth after warm-up %.3f MiB (goal <= 1 MiB): %s\n", mib(growth), pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}
