#include "ServerFixture.h"

#include "link/Cp1254.h"

#include <QTest>

#include <cmath>

using namespace korvel;
using namespace korvel::server;
using namespace korvel::server::test;

namespace
{

QByteArray wire(const char16_t *text)
{
    return cp1254::encode(QString::fromUtf16(text));
}
QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}

const QString analyzer = QStringLiteral("310001");

// The register numbers that a reply carries, checked for the frame around the data: address 1,
// function 3, the byte count, and a CRC-16/MODBUS over all of it.
QList<int> dataOf(const QByteArray &reply, int count)
{
    EXPECT_TRUE(reply.startsWith("enerjial\x01\x01\x01")) << reply.left(40).toStdString();
    EXPECT_TRUE(reply.endsWith("$\x01"));
    EXPECT_FALSE(reply.contains("$199$239"));
    const QList<int> n = dumpNumbers(reply);
    if (n.size() != count + 5) {
        ADD_FAILURE() << "expected " << count << " data bytes, got " << n.size() - 5;
        return QList<int>(count, 0);
    }
    EXPECT_EQ(n.mid(0, 3), (QList<int>{1, 3, count}));
    quint16 crc = 0xFFFF;
    for (int i = 0; i < count + 3; ++i) {
        crc ^= quint16(n[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    EXPECT_EQ(n[count + 3], crc & 0xFF);
    EXPECT_EQ(n[count + 4], crc >> 8);
    return n.mid(3, count);
}

QList<int> read(TestClient &client, const QString &verb, int count, const QString &serial = analyzer)
{
    client.request(verb, {serial});
    return dataOf(client.next(), count);
}

// The client's spectrum: 64 samples taken as one period, its constant 3.1415 for pi.
double harmonic(const QList<int> &samples, int offset, int order)
{
    double re = 0, im = 0;
    for (int i = 0; i < 64; ++i) {
        const double a = i * 5.625 * order * 3.1415 / 180;
        const int x = samples[offset + i] > 127 ? samples[offset + i] - 256 : samples[offset + i];
        re += std::sin(a) * x;
        im += std::cos(a) * x;
    }
    return std::sqrt(re * re + im * im) / 32;
}

const QList<int> factorySettings = {0,   1,   0,  200, 10,  10, 15, 15,  5,   7,   2,  2,   64,
                                    32,  0,   0,  64,  160, 0,  0,  63,  122, 225, 72, 63,  125,
                                    112, 164, 63, 122, 225, 72, 63, 125, 112, 164, 69, 150, 1,
                                    0,   0,   0,  0,   0,   0,  0,  0,   0,   0,   0,  0,   0};

} // namespace

class ServerProtocol : public ServerFixture
{
};

TEST_F(ServerProtocol, LoginSendsTheVisibleDevicesAndBothRights)
{
    TestClient demo(server->port());
    demo.login(QStringLiteral("demo"), QStringLiteral("demo"));
    const QList<QByteArray> replies = demo.untilPong();
    ASSERT_EQ(replies.size(), 7);
    EXPECT_EQ(replies[0], wire(u"cihazlar\x01Merkez Fabrika\x01VNA310\x01"
                               "Ana Pano Analizör\x01"
                               "310001\x01ôôô"));
    EXPECT_EQ(replies[3], wire(u"cihazlar\x01Şube Depo\x01VNA310\x01Soğuk Hava Deposu Şalt Odası\x01"
                               "310002\x01ôôô"));
    EXPECT_EQ(replies[5], QByteArray("haklar\x01"
                                     "3\x01"
                                     "1\x01\xF4\xF4\xF4"));
    EXPECT_EQ(replies[6], QByteArray("tblhaklar\x01"
                                     "1\x01"
                                     "3\x01"
                                     "7\x01"
                                     "3\x01"
                                     "255\x01"
                                     "7\x01\xF4\xF4\xF4"));

    TestClient viewer(server->port());
    viewer.login(QStringLiteral("izleyici"), QStringLiteral("izleyici"));
    QStringList serials;
    QByteArray rights;
    for (const QByteArray &reply : viewer.untilPong()) {
        if (reply.startsWith("cihazlar"))
            serials.append(fieldsOf(reply)[3]);
        rights += reply.startsWith("cihazlar") ? QByteArray() : reply;
    }
    EXPECT_EQ(serials,
              (QStringList{QStringLiteral("530001"), QStringLiteral("310002"), QStringLiteral("310003")}));
    EXPECT_EQ(rights, QByteArray("haklar\x01"
                                 "1\x01"
                                 "0\x01\xF4\xF4\xF4tblhaklar\x01"
                                 "0\x01"
                                 "1\x01"
                                 "1\x01"
                                 "2\x01"
                                 "128\x01"
                                 "1\x01\xF4\xF4\xF4"));
}

TEST_F(ServerProtocol, RefusedLoginClosesTheConnectionAfterAShortDelay)
{
    const QByteArray attempts[] = {
        QByteArray("kulsifre\x01"
                   "demo\x01"
                   "wrong\x02\xF4\xF4\xF4"),
        QByteArray("kulsifre\x01"
                   "nobody\x01"
                   "demo\x02\xF4\xF4\xF4"),
        QByteArray("kulsifre\x01"
                   "demo\x01"
                   "demo\x01\xF4\xF4\xF4"), // password not ended by 0x02
        QByteArray("kulsifre\x01"
                   "demo\x01"
                   "demox\x02\xF4\xF4\xF4"),
    };
    for (const QByteArray &attempt : attempts) {
        TestClient client(server->port());
        QElapsedTimer timer;
        timer.start();
        client.send(attempt + QByteArray("ping\xF4\xF4\xF4kulsifre\x01"
                                         "demo\x01"
                                         "demo\x02\xF4\xF4\xF4"));
        ASSERT_TRUE(client.waitForDisconnect()) << attempt.toStdString();
        EXPECT_GE(timer.elapsed(), 100);
        EXPECT_TRUE(client.socket().readAll().isEmpty()) << "a refused login gets no reply";
    }
    // One summary line for all of them, not one per attempt.
    EXPECT_TRUE(QTest::qWaitFor([this] { return logged(QStringLiteral("logins refused")); }, 3000));
    EXPECT_TRUE(logged(QStringLiteral("nobody")));
    EXPECT_EQ(lines.filter(QStringLiteral("refused")).size(), 1) << lines.join(u'\n').toStdString();
}

TEST_F(ServerProtocol, RequestsBeforeLoginAreIgnored)
{
    TestClient client(server->port());
    client.send(QByteArray("ping\xF4\xF4\xF4"
                           "enertum\x01"
                           "310001\x01\xF4\xF4\xF4"));
    EXPECT_TRUE(client.next(300).isEmpty());
    client.login(QStringLiteral("demo"), QStringLiteral("demo"));
    EXPECT_TRUE(client.next().startsWith("cihazlar"));
    // Counted in the address's summary, which names the first.
    EXPECT_TRUE(QTest::qWaitFor(
        [this] {
            return logged(QStringLiteral("2 requests refused (2 request before login; the first \"ping\")"));
        },
        3000));
}

TEST_F(ServerProtocol, PingAndMessages)
{
    auto client = loggedIn();
    client->send(QByteArray("ping\xF4\xF4\xF4"));
    EXPECT_EQ(client->next(), QByteArray("pong\x01\xF4\xF4\xF4"));

    client->request(QStringLiteral("yenimesajiste"), {QStringLiteral("demo")});
    const QList<QByteArray> messages = client->untilPong();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages[0], wire(u"mesajvar\x01Hoş geldiniz\x01Korvel tanıtım sunucusuna bağlandınız. "
                                u"Cihazlar benzetimdir.\x01ôôô"));

    client->request(QStringLiteral("yenimesajiste"), {QStringLiteral("izleyici")});
    EXPECT_TRUE(client->untilPong().isEmpty());
    EXPECT_TRUE(logged(QStringLiteral("messages of another user")));
}

TEST_F(ServerProtocol, InstantaneousValuesArePhysicallyConsistent)
{
    auto client = loggedIn();
    const QList<int> b = read(*client, QStringLiteral("enertum"), 36 * 4);
    auto slot = [&b](int s) { return floatOf(b, 4 * s); };
    double sumP = 0, sumQ = 0;
    for (int k = 0; k < 3; ++k) {
        const double v = slot(k), u = slot(3 + k), i = slot(6 + k), p = slot(9 + k), q = slot(12 + k);
        const double cosPhi = slot(15 + k), pf = slot(18 + k), kva = slot(21 + k);
        EXPECT_NEAR(v, 230, 4);
        EXPECT_NEAR(u / v, std::sqrt(3.0), 0.03);
        EXPECT_GT(p, 1);
        EXPECT_NEAR(kva, v * i / 1000, 1e-3 * kva);
        EXPECT_NEAR(std::abs(cosPhi), p / std::hypot(p, q), 1e-4);
        EXPECT_EQ(cosPhi < 0, q < 0);
        EXPECT_NEAR(pf, p / kva, 1e-4);
        EXPECT_LT(pf, std::abs(cosPhi)) << "distortion lowers the power factor";
        EXPECT_NEAR(slot(24 + k), p, 1e-4);
        sumP += p;
        sumQ += q;
    }
    EXPECT_NEAR(slot(27), sumP, 1e-3);
    EXPECT_NEAR(slot(32), sumQ, 1e-3);
    EXPECT_GT(slot(33), 0.9) << "the bank compensates the load";
    // Slot 35: frequency in tenths, high byte first, then the input byte.
    EXPECT_NEAR(b[140] * 256 + b[141], 500, 1);
    EXPECT_EQ(b[143], 0);

    // "cosfi" fills slots 15 to 35 with the same values.
    EXPECT_EQ(read(*client, QStringLiteral("cosfi"), 21 * 4), b.mid(15 * 4));

    // The load drifts: an hour later the values differ, and stay plausible.
    clock.advanceSeconds(3600);
    const QList<int> later = read(*client, QStringLiteral("enertum"), 36 * 4);
    EXPECT_NE(later, b);
    EXPECT_NEAR(floatOf(later, 0), 230, 4);
}

TEST_F(ServerProtocol, EnergyCountersGrowWithTheLoad)
{
    auto client = loggedIn();
    const QList<int> before = read(*client, QStringLiteral("enerharcanan"), 16 * 4);
    const double power = floatOf(read(*client, QStringLiteral("enertum"), 36 * 4), 27 * 4);
    clock.advanceSeconds(3600);
    const QList<int> after = read(*client, QStringLiteral("enerharcanan"), 16 * 4);
    auto sum = [](const QList<int> &b, int first) {
        return floatOf(b, 4 * first) + floatOf(b, 4 * (first + 1)) + floatOf(b, 4 * (first + 2));
    };
    EXPECT_NEAR(sum(after, 0) - sum(before, 0), power, 0.2 * power) << "one hour of the load, in kWh";
    for (int s : {6, 9}) // inductive, capacitive
        EXPECT_GT(sum(after, s), sum(before, s));
    EXPECT_NEAR(floatOf(after, 4 * 14), sum(after, 6), 0.05) << "slot 50 is the inductive total";
    EXPECT_NEAR(floatOf(after, 4 * 15), sum(after, 9), 0.05) << "slot 51 is the capacitive total";
}

TEST_F(ServerProtocol, CapacitorBankLayout)
{
    auto client = loggedIn();
    const QList<int> b = read(*client, QStringLiteral("kondasatordurum"), 31 * 4);
    // Factory bank: eight three-phase steps of 5, 10, 20... kvar, then six single-phase steps R, S, T.
    const double kvar[] = {5, 10, 20, 20, 20, 20, 20, 20, 2.5, 2.5, 2.5, 5, 5, 5};
    for (int step = 0; step < 24; ++step)
        EXPECT_EQ(floatOf(b, 4 + 4 * step), step < 14 ? kvar[step] : 0.0) << "step " << step + 1;
    EXPECT_EQ(b.mid(25 * 4),
              (QList<int>{7, 7, 7, 7, 7, 7, 7, 7, 1, 2, 4, 1, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    // Switched-in steps exist, and only installed ones.
    int switched = 0;
    for (int step = 0; step < 24; ++step) {
        if ((b[step / 6] >> (step % 6)) & 1) {
            ++switched;
            EXPECT_LT(step, 14);
        }
    }
    EXPECT_GT(switched, 0);
}

TEST_F(ServerProtocol, SettingsBlockAndWritersThatChangeIt)
{
    auto client = loggedIn();
    EXPECT_EQ(read(*client, QStringLiteral("sabitiste"), 52), factorySettings);

    struct Write {
        const char *verb;
        QStringList fields;
        int word;
        QList<int> bytes;
    };
    const Write writes[] = {
        {"sabitakimgrlmyaz",
         {QStringLiteral("3"), QStringLiteral("232"), QStringLiteral("0"), QStringLiteral("5")},
         0,
         {3, 232, 0, 5}},
        {"sabitkonsureyaz",
         {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("100")},
         1,
         {1, 2, 3, 100}},
        {"sabitbankmodyaz",
         {QStringLiteral("-1"), QStringLiteral("23"), QStringLiteral("1"), QStringLiteral("4")},
         2,
         {255, 23, 1, 4}},
        {"sabitilkkva1yaz",
         {QStringLiteral("63"), QStringLiteral("128"), QStringLiteral("0"), QStringLiteral("0")},
         3,
         {63, 128, 0, 0}},
        {"sabitcosmin1yaz",
         {QStringLiteral("63"), QStringLiteral("127"), QStringLiteral("190"), QStringLiteral("118")},
         5,
         {63, 127, 190, 118}},
        {"sabitcosmax3yaz",
         {QStringLiteral("63"), QStringLiteral("115"), QStringLiteral("51"), QStringLiteral("51")},
         8,
         {63, 115, 51, 51}},
        {"sabitrestartyaz",
         {QStringLiteral("69"), QStringLiteral("150"), QStringLiteral("0"), QStringLiteral("0")},
         9,
         {69, 150, 0, 0}},
    };
    QList<int> expected = factorySettings;
    for (const Write &w : writes) {
        client->request(QLatin1String(w.verb), QStringList{analyzer} + w.fields);
        for (int k = 0; k < 4; ++k)
            expected[4 * w.word + k] = w.bytes[k];
        EXPECT_EQ(read(*client, QStringLiteral("sabitiste"), 52), expected) << w.verb;
    }
    // A field that is not a byte changes nothing, nor one with a number in front of other text.
    for (const QString &bad :
         {QStringLiteral("x"), QStringLiteral("300"), QString::fromUtf16(u"1\0\0text", 7),
          QString::fromUtf16(u"1\0", 2), QStringLiteral("1 2"), QStringLiteral("")}) {
        client->request(QStringLiteral("sabitakimgrlmyaz"),
                        {analyzer, bad, QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1")});
        EXPECT_EQ(read(*client, QStringLiteral("sabitiste"), 52), expected) << bad.toStdString();
    }
    client->request(QStringLiteral("sabitakimgrlmyaz"), {analyzer, QStringLiteral("300")});
    EXPECT_EQ(read(*client, QStringLiteral("sabitiste"), 52), expected);
    // Nor does a device number with text behind a NUL name the device.
    client->request(QStringLiteral("resetle"),
                    {QString::fromUtf16(u"310001\0x", 8), QStringLiteral("0"), QStringLiteral("0"),
                     QStringLiteral("0"), QStringLiteral("0")});
    EXPECT_TRUE(client->next().startsWith("Hattayok"));
    EXPECT_EQ(read(*client, QStringLiteral("sabitiste"), 52), expected);

    client->request(QStringLiteral("sabitleriyaz"));
    client->request(QStringLiteral("resetle"), {analyzer, QStringLiteral("0"), QStringLiteral("0"),
                                                QStringLiteral("0"), QStringLiteral("0")});
    EXPECT_EQ(read(*client, QStringLiteral("sabitiste"), 52), factorySettings);
    const QList<int> counters = read(*client, QStringLiteral("enerharcanan"), 16 * 4);
    EXPECT_EQ(floatOf(counters, 0), 0.0) << "reset clears the counters";
}

TEST_F(ServerProtocol, CommandsSwitchCapacitorsAndRelays)
{
    auto client = loggedIn();
    auto fields = [](std::initializer_list<const char *> values) {
        QStringList out{analyzer};
        for (const char *v : values)
            out.append(QLatin1String(v));
        return out;
    };
    client->request(QStringLiteral("kondansatorcek"), fields({"33", "0", "7", "63"}));
    EXPECT_EQ(read(*client, QStringLiteral("kondasatordurum"), 31 * 4).mid(0, 4), (QList<int>{33, 0, 7, 63}));
    EXPECT_EQ(read(*client, QStringLiteral("sabitiste"), 52)[38], 0) << "a manual command means manual mode";
    // The eight-relay panel: steps 1 to 8, the other groups kept.
    client->request(QStringLiteral("kondansatorcek"), fields({"255", "255", "255", "129"}));
    EXPECT_EQ(read(*client, QStringLiteral("kondasatordurum"), 31 * 4).mid(0, 4), (QList<int>{1, 2, 7, 63}));

    // The analyzer's relays are wired back to inputs 7 and 8: the change is announced and read.
    client->send(QByteArray("rolektifg\x01"
                            "310001\x01\x05\x01\xF4\xF4\xF4"));
    const QByteArray notice = client->next();
    ASSERT_TRUE(notice.startsWith("input\x01"
                                  "310001\x01"));
    const QStringList items = fieldsOf(notice)[1].split(u'$');
    ASSERT_EQ(items.size(), 8);
    EXPECT_EQ(items[7].toInt() & 0xC0, 0xC0);
    EXPECT_EQ(read(*client, QStringLiteral("enertum"), 36 * 4)[142] & 0xC0, 0xC0);

    // The overcurrent relay trips phase 1 with "Röle 1"; the number may carry a leading blank.
    client->request(QStringLiteral("AARdegerlerioku"), {QStringLiteral(" 420001")});
    QStringList currents = fieldsOf(client->next());
    ASSERT_EQ(currents.size(), 7);
    EXPECT_GT(currents[0].toDouble(), 10);
    EXPECT_EQ(currents.mid(4), (QStringList{QStringLiteral("420001"), QStringLiteral("14.03.2025"),
                                            QStringLiteral("12:00:00")}));
    client->send(QByteArray("roleaktif\x01 420001\x01\x10\x01\xF4\xF4\xF4"));
    client->request(QStringLiteral("AARdegerlerioku"), {QStringLiteral(" 420001")});
    currents = fieldsOf(client->next());
    EXPECT_EQ(currents[0], QStringLiteral("0.0"));
    EXPECT_GT(currents[1].toDouble(), 10);
}

TEST_F(ServerProtocol, RelayClockAndCurrentsInTheCompactLayout)
{
    auto client = loggedIn();
    const QList<int> b = read(*client, QStringLiteral("enertum"), 24, QStringLiteral("420001"));
    EXPECT_EQ(b.mid(0, 8), (QList<int>{0, 0, 12, 14, 0, 0, 3, 25})) << "12:00:00, 14.03.(20)25";
    for (int s = 2; s < 5; ++s)
        EXPECT_GT(floatOf(b, 4 * s), 10);
}

TEST_F(ServerProtocol, HarmonicsCarryAPeriodOfVoltageAndCurrent)
{
    auto client = loggedIn();
    for (const char *verb : {"harmonikbir", "harmonikiki", "harmonikuc"}) {
        const QList<int> samples = read(*client, QLatin1String(verb), 128);
        const double v1 = harmonic(samples, 0, 1);
        EXPECT_NEAR(v1, 100, 5) << verb;
        EXPECT_LT(harmonic(samples, 0, 2), 1.0);
        EXPECT_NEAR(harmonic(samples, 0, 5) / v1, 0.025, 0.01);
        for (int order : {3, 7})
            EXPECT_GT(harmonic(samples, 0, order) / v1, 0.005);
        const double i1 = harmonic(samples, 64, 1);
        EXPECT_GT(i1, 20);
        for (int order : {3, 5, 7}) {
            EXPECT_GT(harmonic(samples, 64, order) / i1, 0.02) << verb << " order " << order;
            EXPECT_LT(harmonic(samples, 64, order) / i1, 0.15);
        }
        EXPECT_LT(harmonic(samples, 64, 2) / i1, 0.02);
    }
}

TEST_F(ServerProtocol, RightsAndVisibilityAreCheckedBeforeAnythingChanges)
{
    auto viewer = loggedIn(QStringLiteral("izleyici"));
    const QString own = QStringLiteral("310002");
    auto four = [&own](const char *a, const char *b, const char *c, const char *d) {
        return QStringList{own, QLatin1String(a), QLatin1String(b), QLatin1String(c), QLatin1String(d)};
    };
    struct Refused {
        const char *verb;
        QStringList fields;
    };
    const Refused refused[] = {
        {"sabitakimgrlmyaz", four("0", "2", "0", "2")},
        {"sabitrestartyaz", four("69", "150", "0", "0")},
        {"resetle", four("0", "0", "0", "0")},
        {"kondansatorcek", four("1", "0", "0", "0")},
        {"kondansatorcek", four("255", "255", "255", "1")},
        {"harmonikiki", {own}},
        {"reaktifener", {own, QStringLiteral("1.03.2025"), QStringLiteral("14.03.2025")}},
        {"sayac", {QStringLiteral("530001"), QStringLiteral("tdsEvt"), QStringLiteral("kytevt")}},
        {"sycreaktfener",
         {QStringLiteral("530001"), QStringLiteral("1.03.2025"), QStringLiteral("14.03.2025")}},
        {"sabitleriyaz", {}},
        {"bilinmeyen", {own}},
    };
    for (const Refused &r : refused) {
        viewer->request(QLatin1String(r.verb), r.fields);
        EXPECT_TRUE(viewer->untilPong().isEmpty()) << r.verb;
    }
    viewer->send(QByteArray("rolektifg\x01"
                            "310002\x01\x05\x01\xF4\xF4\xF4"));
    EXPECT_TRUE(viewer->untilPong().isEmpty());
    EXPECT_TRUE(logged(QStringLiteral("izleyici refused: \"resetle\" needs right 64 of field 5")));

    // Nothing changed on the device.
    auto demo = loggedIn();
    EXPECT_EQ(read(*demo, QStringLiteral("sabitiste"), 52, own), factorySettings);
    EXPECT_EQ(read(*demo, QStringLiteral("enertum"), 36 * 4, own)[142] & 0xC0, 0);

    // What the viewer may do it gets.
    for (const char *verb : {"enertum", "enerharcanan", "harmonikbir", "kondasatordurum", "sabitiste"}) {
        viewer->request(QLatin1String(verb), {own});
        EXPECT_TRUE(viewer->next().startsWith("enerjial")) << verb;
    }
    // A device of another user, an unknown one and one off line: "Hattayok" with the number.
    viewer->request(QStringLiteral("enertum"), {QStringLiteral("310001")});
    EXPECT_EQ(viewer->next(), QByteArray("Hattayok\x01"
                                         "310001\x01\xF4\xF4\xF4"));
    viewer->request(QStringLiteral("sabitiste"), {QStringLiteral("999")});
    EXPECT_EQ(viewer->next(), QByteArray("Hattayok\x01"
                                         "999\x01\xF4\xF4\xF4"));
    viewer->request(QStringLiteral("enertum"), {QStringLiteral("310003")});
    EXPECT_EQ(viewer->next(), QByteArray("Hattayok\x01"
                                         "310003\x01\xF4\xF4\xF4"));
}

TEST_F(ServerProtocol, MeterReadingCarriesEveryCodeTheClientReads)
{
    auto client = loggedIn();
    client->request(QStringLiteral("sayac"),
                    {QStringLiteral("530001"), QStringLiteral("tdshyr"), QStringLiteral("kythyr")});
    QString readout;
    QList<QByteArray> replies = client->untilPong();
    ASSERT_EQ(replies.size(), 3);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(replies[i].startsWith("sayacal\x01\x01\x01"));
        ASSERT_TRUE(replies[i].endsWith("\r\n\xF4\xF4\xF4"));
        readout += cp1254::decode(replies[i].mid(10, replies[i].size() - 13));
    }
    // Extraction as the client does it: the characters after the code's parenthesis.
    auto after = [&readout](const char *code, int width, int from = 0) {
        const qsizetype at = readout.indexOf(QLatin1String(code));
        return at < 0 ? QStringLiteral("<missing>") : readout.mid(at + qsizetype(strlen(code)) + from, width);
    };
    const char *codes[] = {"1.8.0(",  "5.8.0(",   "8.8.0(",  "1.8.1(",  "1.8.2(",  "1.8.3(",  "0.0.0(",
                           "5.8.1(",  "5.8.2(",   "5.8.3(",  "8.8.1(",  "8.8.2(",  "8.8.3(",  "0.9.1(",
                           "0.9.2(",  "0.9.5(",   "96.1.3(", "96.2.5(", "96.2.2(", "96.70(",  "96.71(",
                           "0.8.0(",  "1.6.0(",   "0.1.0(",  "96.6.1(", "96.7.0(", "96.7.1(", "96.7.2(",
                           "96.7.3(", "96.77.4(", "96.77.5("};
    for (const char *code : codes)
        EXPECT_TRUE(readout.contains(QLatin1String(code))) << code;
    EXPECT_EQ(after("0.0.0(", 8), QStringLiteral("00530001"));
    EXPECT_EQ(after("0.9.1(", 8), QStringLiteral("25-03-14"));
    EXPECT_EQ(after("0.9.2(", 8), QStringLiteral("12:00:00"));
    EXPECT_EQ(after("0.9.5(", 1), QStringLiteral("5")) << "a Friday";
    EXPECT_EQ(after("96.6.1(", 1), QStringLiteral("1"));
    EXPECT_EQ(after("96.71(", 14), QStringLiteral("22-09-30,09:42"));
    EXPECT_TRUE(after("96.71(", 2, 16).toInt() > 0);
    EXPECT_EQ(after("0.8.0(", 2), QStringLiteral("15"));
    EXPECT_TRUE(after("1.6.0(", 7).contains(u'.'));

    const QStringList totals = fieldsOf(replies[2]);
    ASSERT_TRUE(replies[2].startsWith("Sycdegerleri"));
    ASSERT_EQ(totals.size(), 3);
    const double active = after("1.8.0(", 10).toDouble();
    EXPECT_NEAR(totals[0].toDouble(), active, 1);
    EXPECT_NEAR(after("1.8.1(", 10).toDouble() + after("1.8.2(", 10).toDouble() +
                    after("1.8.3(", 10).toDouble(),
                active, 0.01);
    EXPECT_NEAR(totals[1].toDouble(), after("5.8.0(", 10).toDouble(), 1);

    // A utility reading reports from the last recorded one; recording one moves that date.
    client->request(QStringLiteral("sayac"),
                    {QStringLiteral("530001"), QStringLiteral("tdsEvt"), QStringLiteral("kytevt")});
    replies = client->untilPong();
    // The period report comes first, so the client has its ratios when the readout's totals arrive.
    ASSERT_EQ(replies.size(), 4);
    QStringList report = fieldsOf(replies[0]);
    ASSERT_TRUE(replies[0].startsWith("tedassycal"));
    ASSERT_EQ(report.size(), 9);
    EXPECT_EQ(report.mid(0, 3), (QStringList{QStringLiteral("530001"), QStringLiteral("01.03.2025"),
                                             QStringLiteral("14.03.2025")}));
    EXPECT_GT(report[4].toLongLong(), report[3].toLongLong());
    EXPECT_NEAR(report[4].toDouble(), active, 1);
    clock.advanceSeconds(86400);
    client->request(QStringLiteral("sayac"),
                    {QStringLiteral("530001"), QStringLiteral("tdsEvt"), QStringLiteral("kythyr")});
    report = fieldsOf(client->untilPong().value(0));
    EXPECT_EQ(report.value(1), QStringLiteral("14.03.2025"));
}

TEST_F(ServerProtocol, PeriodReportsForTwoDatesInAnyCommonFormat)
{
    auto client = loggedIn();
    struct Dates {
        const char16_t *first;
        const char16_t *second;
    };
    const Dates spellings[] = {{u"7.03.2025", u"14.03.2025"},   {u"07.03.25", u"14.03.25"},
                               {u"7 Mar 2025", u"14 Mar 2025"}, {u"3/7/25", u"3/14/25"},
                               {u"07/03/2025", u"14/03/2025"},  {u"2025-03-07", u"2025-03-14"}};
    QStringList firstNumbers;
    for (const Dates &d : spellings) {
        client->request(QStringLiteral("reaktifener"), {analyzer, s(d.first), s(d.second)});
        const QByteArray reply = client->next();
        ASSERT_TRUE(reply.startsWith("reaktifenerji\x01")) << reply.left(20).toStdString();
        const QStringList f = fieldsOf(reply);
        ASSERT_EQ(f.size(), 9);
        EXPECT_EQ(f.mid(0, 3), (QStringList{analyzer, s(d.first), s(d.second)}));
        if (!firstNumbers.isEmpty()) {
            EXPECT_EQ(f.mid(3), firstNumbers) << "the same days however written";
        }
        firstNumbers = f.mid(3);
    }
    const double active = firstNumbers[1].toDouble() - firstNumbers[0].toDouble();
    EXPECT_GT(active, 100);
    const double inductiveRatio = (firstNumbers[3].toDouble() - firstNumbers[2].toDouble()) / active;
    EXPECT_GT(inductiveRatio, 0.05);
    EXPECT_LT(inductiveRatio, 0.25);

    client->request(QStringLiteral("sycreaktfener"),
                    {QStringLiteral("530001"), s(u"1 Şub 2025"), s(u"1.03.2025")});
    const QStringList meter = fieldsOf(client->next());
    ASSERT_EQ(meter.size(), 9);
    EXPECT_GT(meter[4].toLongLong(), meter[3].toLongLong());

    client->request(QStringLiteral("reaktifener"),
                    {analyzer, QStringLiteral("35.03.2025"), QStringLiteral("14.03.2025")});
    EXPECT_TRUE(client->untilPong().isEmpty());
    EXPECT_TRUE(logged(QStringLiteral("unreadable date \"35.03.2025\"")));
}

TEST_F(ServerProtocol, NoticesReachTheUsersWhoSeeTheDevice)
{
    auto demo = loggedIn();
    auto viewer = loggedIn(QStringLiteral("izleyici"));

    server->sendValueNotices();
    QStringList serials;
    for (const QByteArray &notice : demo->untilPong()) {
        const QStringList f = fieldsOf(notice);
        ASSERT_TRUE(notice.startsWith("cihazenerji\x01"));
        serials.append(f[0]);
        // Records as the client reads them: "$", a kind, eight characters.
        const QString records = f[2];
        ASSERT_EQ(records.size() % 10, 0);
        QStringList entries;
        for (qsizetype at = 0; at < records.size(); at += 10) {
            ASSERT_EQ(records[at], u'$');
            const QString payload = records.mid(at + 2, 8);
            entries.append(records[at + 1] == u'0' ? payload.left(5) + u'.' + payload.mid(5) : payload);
        }
        ASSERT_GE(entries.size(), 45);
        EXPECT_EQ(entries[43].left(5).toInt(), f[0] == analyzer ? 2 : 5) << "the row of the device";
        EXPECT_NEAR(entries[0].toDouble(), 230, 4);
        EXPECT_GT(entries[36].toDouble() / 3600, 100) << "kWh, divided by 3600 by the client";
        // The frequency word, divided by 3600 like the entries around it, its bytes least significant first.
        const qint64 frequency = std::llround(entries[35].toDouble() / 3600);
        EXPECT_NEAR((frequency & 0xFF) * 256 + ((frequency >> 8) & 0xFF), 500, 1)
            << entries[35].toStdString();
    }
    EXPECT_EQ(serials, (QStringList{analyzer, QStringLiteral("310002")}));
    const QList<QByteArray> viewerNotices = viewer->untilPong();
    ASSERT_EQ(viewerNotices.size(), 1);
    EXPECT_TRUE(viewerNotices[0].startsWith("cihazenerji\x01"
                                            "310002\x01"));

    for (int i = 0; i < 4; ++i)
        server->changeFieldInput();
    const QList<QByteArray> inputs = demo->untilPong();
    ASSERT_EQ(inputs.size(), 4);
    for (const QByteArray &notice : inputs) {
        const QStringList f = fieldsOf(notice);
        ASSERT_EQ(f.size(), 2);
        const QStringList items = f[1].split(u'$');
        ASSERT_EQ(items.size(), 8);
        EXPECT_EQ(items.mid(0, 3),
                  (QStringList{QStringLiteral("14"), QStringLiteral("03"), QStringLiteral("2025")}));
        EXPECT_NE(items[6], items[7]) << "the mask changed";
    }
    for (const QByteArray &notice : viewer->untilPong())
        EXPECT_TRUE(notice.startsWith("input\x01"
                                      "310002\x01"))
            << "only inputs of its own devices";

    server->postMessage(*server->directory().user(QStringLiteral("demo")),
                        {QStringLiteral("T"), QStringLiteral("B")});
    EXPECT_EQ(demo->untilPong(), QList<QByteArray>{QByteArray("yenimesaj\x01\xF4\xF4\xF4")});
    EXPECT_TRUE(viewer->untilPong().isEmpty());
    demo->request(QStringLiteral("yenimesajiste"), {QStringLiteral("demo")});
    EXPECT_EQ(demo->untilPong().size(), 4);
    // Asking again on the same connection lists each message once: nothing, then only the new one.
    demo->request(QStringLiteral("yenimesajiste"), {QStringLiteral("demo")});
    EXPECT_TRUE(demo->untilPong().isEmpty());
    server->postMessage(*server->directory().user(QStringLiteral("demo")),
                        {QStringLiteral("T2"), QStringLiteral("B2")});
    EXPECT_EQ(demo->untilPong(), QList<QByteArray>{QByteArray("yenimesaj\x01\xF4\xF4\xF4")});
    demo->request(QStringLiteral("yenimesajiste"), {QStringLiteral("demo")});
    EXPECT_EQ(demo->untilPong(), QList<QByteArray>{QByteArray("mesajvar\x01T2\x01"
                                                              "B2\x01\xF4\xF4\xF4")});
}
