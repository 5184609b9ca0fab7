// korvel-server as a gateway to field devices, against the pymodbus simulator of modbus_simulator.py:
// the server runs on a thread of its own, the clients are plain sockets, so waiting measures the server.

#include "DeviceModel.h"
#include "FieldGateway.h"
#include "ModbusSimulator.h"
#include "RawClient.h"
#include "ReplyBuilder.h"
#include "ServerFixture.h"
#include "SharedLog.h"

#include "link/Cp1254.h"
#include "link/MessageFramer.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <modbus/modbus.h>

#include <algorithm>

using namespace korvel::server;
using namespace korvel::server::test;
namespace MessageFramer = korvel::MessageFramer;
namespace cp1254 = korvel::cp1254;

namespace
{

QByteArray requestBytes(const QString &verb, const QStringList &fields)
{
    return cp1254::encode(MessageFramer::request(verb, fields));
}

DeviceLink tcpLink(const QString &address, int unit = 1)
{
    DeviceLink link;
    link.kind = DeviceLink::Kind::ModbusTcp;
    link.address = address;
    link.unit = unit;
    return link;
}

DeviceLink rtuLink(const QString &path)
{
    DeviceLink link;
    link.kind = DeviceLink::Kind::ModbusRtu;
    link.address = path;
    return link;
}

class ModbusGatewayTest : public ::testing::Test
{
protected:
    void SetUp() override { ensureServerTestApplication(); }

    void TearDown() override
    {
        if (server)
            server->close();
        server.reset();
        if (HasFailure())
            std::printf("server log:\n%s\n", qPrintable(shared.lines().join(u'\n')));
    }

    // The demo's devices and these field analyzers (rows 10, 11, ...), with short timeouts.
    void serve(const QList<QPair<QString, DeviceLink>> &fieldDevices, int pollSeconds = 0,
               const QHash<QString, RegisterMap> &maps = {}, const QString &type = QStringLiteral("VNA310"))
    {
        ServerConfig config = ServerConfig::demo();
        config.pace = {pollSeconds, 0, 0};
        config.field = settings;
        config.registerMaps = maps;
        int row = 10;
        for (const auto &[serial, link] : fieldDevices)
            config.devices.append(
                {QStringLiteral("Saha"), type, QStringLiteral("Modbus Analizör"), serial, true, row++, link});
        // The bystanders ping as fast as they can.
        ServerOptions options;
        options.maxRequestsPerSecond = 0;
        server = std::make_unique<KorvelServer>(config, clock, shared.log, options);
        ASSERT_TRUE(server->listen(QHostAddress::LocalHost, 0));
        server->runOnOwnThread();
    }

    std::unique_ptr<RawClient> client()
    {
        auto c = std::make_unique<RawClient>(server->port());
        EXPECT_TRUE(c->login("demo", "demo"));
        return c;
    }

    // What the device request answers, or empty after the time.
    static QByteArray ask(RawClient &c, const QString &verb, const QStringList &fields, int timeoutMs = 3000)
    {
        c.send(requestBytes(verb, fields));
        return c.readReply(timeoutMs);
    }

    bool logged(const QString &part) const
    {
        const QStringList lines = shared.lines();
        return std::any_of(lines.begin(), lines.end(), [&](const QString &l) { return l.contains(part); });
    }

    QString imageFile(const QByteArray &json)
    {
        const QString path = m_dir.filePath(QStringLiteral("image%1.json").arg(++m_images));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
        return path;
    }

    FieldSettings settings{300, 2, 1, 16};
    ManualClock clock{QDateTime(QDate(2026, 3, 14), QTime(12, 0), QTimeZone::utc())};
    SharedLog shared;
    std::unique_ptr<KorvelServer> server;

private:
    QTemporaryDir m_dir;
    int m_images = 0;
};

QByteArray hattayok(const char *serial)
{
    return ReplyBuilder::offline(QString::fromLatin1(serial));
}

} // namespace

// The registers of a simulated analyzer, served by pymodbus, give the client byte for byte the dump
// that the simulated analyzer gives: ranks of the bytes the escape rule alters, CRC, address, layout.
TEST_F(ModbusGatewayTest, RepliesEqualASimulatedAnalyzersForTheSameRegisters)
{
    const ServerConfig demo = ServerConfig::demo();
    const qint64 ms = clock.now().toMSecsSinceEpoch();
    DeviceModel model(demo.devices[0], ms);
    // Settings that hold the pair the client reads as one number, in an integer word and in a real one.
    model.writeSettingsWord(0, {199, 239, 0, 0});
    model.writeSettingsWord(3, {1, 199, 239, 5});
    auto registers = [](const RegisterDump &dump) { return ModbusSimulator::registersOf(dump.bytes()); };
    const QByteArray image = ModbusSimulator::image({
        {0, registers(ReplyBuilder::analyzerDump(model, ms, 0, 51))},
        {104, registers(ReplyBuilder::capacitorDump(model, ms))},
        {200, registers(ReplyBuilder::settingsDump(model))},
        {512, registers(ReplyBuilder::harmonicsDump(model, ms, 0))},
        {576, registers(ReplyBuilder::harmonicsDump(model, ms, 1))},
        {640, registers(ReplyBuilder::harmonicsDump(model, ms, 2))},
    });
    ModbusSimulator simulator;
    ASSERT_TRUE(simulator.start({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0"),
                                 QStringLiteral("--image"), imageFile(image)}));
    serve({{QStringLiteral("310009"), tcpLink(simulator.address())}});
    auto c = client();
    c->send(requestBytes(QStringLiteral("sabitakimgrlmyaz"),
                         {QStringLiteral("310001"), QStringLiteral("199"), QStringLiteral("239"),
                          QStringLiteral("0"), QStringLiteral("0")}));
    c->send(requestBytes(QStringLiteral("sabitilkkva1yaz"),
                         {QStringLiteral("310001"), QStringLiteral("1"), QStringLiteral("199"),
                          QStringLiteral("239"), QStringLiteral("5")}));
    for (const char *verb : {"enertum", "cosfi", "enerharcanan", "kondasatordurum", "sabitiste",
                             "harmonikbir", "harmonikiki", "harmonikuc"}) {
        const QString v = QString::fromLatin1(verb);
        const QByteArray simulated = ask(*c, v, {QStringLiteral("310001")});
        const QByteArray field = ask(*c, v, {QStringLiteral("310009")});
        ASSERT_TRUE(simulated.startsWith("enerjial")) << verb;
        EXPECT_EQ(field, simulated) << verb;
        if (v == u"sabitiste") {
            // Both pairs were there to be altered: the integer's low byte, the real's less significant one.
            EXPECT_TRUE(simulated.contains("$200$239$0$0$")) << simulated.constData();
            EXPECT_TRUE(simulated.contains("$1$199$240$5$")) << simulated.constData();
        }
    }
}

// A block longer than one Modbus read is read in pieces and joined in order; pymodbus answers more than
// 125 registers with an exception.
TEST_F(ModbusGatewayTest, ReadsLongerThanOneModbusReadAreJoinedInOrder)
{
    QList<quint16> registers;
    for (int i = 0; i < 127; ++i)
        registers.append(quint16(i));
    ModbusSimulator simulator;
    ASSERT_TRUE(
        simulator.start({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--image"),
                         imageFile(ModbusSimulator::image({{0, registers}}))}));
    RegisterMap map = RegisterMap::builtIn(QStringLiteral("VNA310"));
    QString error;
    ASSERT_TRUE(
        map.apply(QJsonDocument::fromJson(R"({"enertum": {"read": 0, "count": 127}})").object(), &error));
    serve({{QStringLiteral("310009"), tcpLink(simulator.address())}}, 0, {{QStringLiteral("VNA310"), map}});
    auto c = client();
    const QList<int> numbers = dumpNumbers(ask(*c, QStringLiteral("enertum"), {QStringLiteral("310009")}));
    ASSERT_EQ(numbers.size(), 3 + 254 + 2);
    EXPECT_EQ(numbers.mid(0, 3), (QList<int>{1, 3, 254}));
    for (int i = 0; i < 127; ++i) {
        EXPECT_EQ(numbers[3 + 2 * i], 0) << i;
        EXPECT_EQ(numbers[4 + 2 * i], i) << i;
    }
}

// Commands and settings writers land in the registers the map names, with the function it names.
TEST_F(ModbusGatewayTest, CommandsWriteTheMappedRegisters)
{
    ModbusSimulator simulator;
    ASSERT_TRUE(simulator.start({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0"),
                                 QStringLiteral("--units"), QStringLiteral("7")}));
    serve({{QStringLiteral("310009"), tcpLink(simulator.address(), 7)}});
    auto c = client();
    const QString device = QStringLiteral("310009");
    auto bytes = [&](const char *a, const char *b, const char *c3, const char *d) {
        return QStringList{device, QString::fromLatin1(a), QString::fromLatin1(b), QString::fromLatin1(c3),
                           QString::fromLatin1(d)};
    };
    c->send(requestBytes(QStringLiteral("kondansatorcek"), bytes("33", "2", "255", "32")));
    c->send(requestBytes(QStringLiteral("sabitcosmin1yaz"), bytes("63", "127", "190", "119")));
    c->send(requestBytes(QStringLiteral("sabitrestartyaz"), bytes("-1", "0", "0", "1")));
    c->send(requestBytes(QStringLiteral("roleaktif"), {device, QStringLiteral("0")}));
    c->send(requestBytes(QStringLiteral("rolektifg"), {device, QStringLiteral("\x05")}));
    // A request the map does not name is refused as a device that does not know it.
    c->send(requestBytes(QStringLiteral("AARdegerlerioku"), {device}));
    const QStringList expected = {QStringLiteral("7 104 8450 65312"), QStringLiteral("7 210 16255 48759"),
                                  QStringLiteral("7 218 65280 1"), QStringLiteral("7 720 48"),
                                  QStringLiteral("7 721 5")};
    QElapsedTimer timer;
    timer.start();
    while (simulator.writes().size() < expected.size() && timer.elapsed() < 5000)
        QThread::msleep(20);
    EXPECT_EQ(simulator.writes(), expected);
    EXPECT_GT(c->pingMs(), 0);
    EXPECT_TRUE(
        logged(QStringLiteral("\"AARdegerlerioku\" is not in the register map of VNA310 (device 310009)")));
}

// Two devices on one serial line take turns on it; each hears only what is addressed to its unit.
TEST_F(ModbusGatewayTest, DevicesOnOneSerialLineShareIt)
{
    ModbusSimulator simulator;
    ASSERT_TRUE(simulator.start({QStringLiteral("--rtu"), QStringLiteral("--units"), QStringLiteral("1-2")}));
    DeviceLink second = rtuLink(simulator.address());
    second.unit = 2;
    serve({{QStringLiteral("310009"), rtuLink(simulator.address())}, {QStringLiteral("310010"), second}});
    auto c = client();
    // Both at once: the second waits for the line.
    c->send(requestBytes(QStringLiteral("enertum"), {QStringLiteral("310009")}) +
            requestBytes(QStringLiteral("enertum"), {QStringLiteral("310010")}) +
            requestBytes(QStringLiteral("roleaktif"), {QStringLiteral("310010"), QStringLiteral("\x10")}));
    const QList<int> first = dumpNumbers(c->readReply());
    const QList<int> other = dumpNumbers(c->readReply());
    ASSERT_EQ(first.size(), 3 + 144 + 2);
    ASSERT_EQ(other.size(), 3 + 144 + 2);
    EXPECT_EQ(first[0], 1);
    EXPECT_EQ(other[0], 2);
    EXPECT_EQ(first.mid(1, 146), other.mid(1, 146)) << "the same registers, from each unit";
    QElapsedTimer timer;
    timer.start();
    while (simulator.writes().isEmpty() && timer.elapsed() < 3000)
        QThread::msleep(20);
    EXPECT_EQ(simulator.writes(), QStringList{QStringLiteral("2 720 16")});
}

struct Fault {
    const char *name;
    QStringList arguments;
    bool rtu;
    const char *logged;
};

// Each fault gives "Hattayok" within timeout x (retries + 1) + 0.5 s and a line in the log, while a
// bystander's pings stay fast and another device, on another link, answers as usual.
TEST_F(ModbusGatewayTest, FaultsGiveHattayokWithoutDelayingOthers)
{
    const Fault faults[] = {
        {"stopped", {}, false, "off line"},
        {"exception",
         {QStringLiteral("--fault"), QStringLiteral("exception")},
         false,
         "answers with exception 2"},
        {"late",
         {QStringLiteral("--fault"), QStringLiteral("late"), QStringLiteral("--delay"), QStringLiteral("5")},
         false,
         "off line"},
        {"bad CRC", {QStringLiteral("--fault"), QStringLiteral("corrupt")}, true, "off line"},
    };
    ModbusSimulator healthy;
    ASSERT_TRUE(healthy.start({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0")}));
    for (const Fault &fault : faults) {
        SCOPED_TRACE(fault.name);
        ModbusSimulator faulty;
        ASSERT_TRUE(faulty.start(QStringList{fault.rtu ? QStringLiteral("--rtu") : QStringLiteral("--tcp")} +
                                 (fault.rtu ? QStringList{} : QStringList{QStringLiteral("127.0.0.1:0")}) +
                                 fault.arguments));
        const DeviceLink link = fault.rtu ? rtuLink(faulty.address()) : tcpLink(faulty.address());
        serve({{QStringLiteral("310009"), link}, {QStringLiteral("310010"), tcpLink(healthy.address())}});
        if (QLatin1String(fault.name) == u"stopped")
            faulty.stop();
        auto asker = client();
        auto bystander = client();
        QElapsedTimer timer;
        timer.start();
        asker->send(requestBytes(QStringLiteral("enertum"), {QStringLiteral("310009")}));
        std::vector<double> pings;
        QByteArray answer;
        while (answer.isEmpty() && timer.elapsed() < 5000) {
            pings.push_back(bystander->pingMs());
            if (pings.size() % 20 == 0) {
                QElapsedTimer other;
                other.start();
                const QByteArray values =
                    ask(*bystander, QStringLiteral("enertum"), {QStringLiteral("310010")}, 1000);
                EXPECT_TRUE(values.startsWith("enerjial")) << values.left(40).toStdString();
                EXPECT_LT(other.elapsed(), 500) << "a device on another link waits for none";
            }
            answer = asker->readReply(1);
        }
        const qint64 bound = settings.timeoutMs * (settings.retries + 1) + 500;
        EXPECT_EQ(answer, hattayok("310009"));
        EXPECT_LE(timer.elapsed(), bound);
        std::sort(pings.begin(), pings.end());
        ASSERT_FALSE(pings.empty());
        EXPECT_GT(pings.front(), 0);
        EXPECT_LT(pings[pings.size() * 99 / 100], 10.0) << pings.size() << " pings";
        EXPECT_TRUE(QTest::qWaitFor([&] { return logged(QLatin1String(fault.logged)); }, 2000));
        EXPECT_TRUE(logged(QStringLiteral("device 310009 (Modbus ")));
        server->close();
        server.reset();
    }
}

// A device that stops answering is off line at once for later requests, logged once, and found back by
// the probe after it comes back.
TEST_F(ModbusGatewayTest, StoppedDeviceIsFoundBackByTheProbe)
{
    ModbusSimulator simulator;
    ASSERT_TRUE(simulator.start({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0")}));
    const quint16 port = simulator.port();
    serve({{QStringLiteral("310009"), tcpLink(simulator.address())}});
    auto c = client();
    ASSERT_TRUE(ask(*c, QStringLiteral("enertum"), {QStringLiteral("310009")}).startsWith("enerjial"));
    simulator.stop();
    EXPECT_EQ(ask(*c, QStringLiteral("enertum"), {QStringLiteral("310009")}), hattayok("310009"));
    QElapsedTimer known;
    known.start();
    EXPECT_EQ(ask(*c, QStringLiteral("enertum"), {QStringLiteral("310009")}), hattayok("310009"));
    EXPECT_LT(known.elapsed(), 250) << "a device known off line answers at once, not after the timeouts";

    ASSERT_TRUE(simulator.start({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port)}));
    QElapsedTimer back;
    back.start();
    QByteArray answer;
    while (!answer.startsWith("enerjial") && back.elapsed() < 5000) {
        QThread::msleep(100);
        answer = ask(*c, QStringLiteral("enertum"), {QStringLiteral("310009")});
    }
    EXPECT_TRUE(answer.startsWith("enerjial"));
    const QStringList lines = shared.lines();
    EXPECT_EQ(lines.filter(QStringLiteral("310009")).filter(QStringLiteral(": off line")).size(), 1)
        << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("310009")).filter(QStringLiteral(": on line")).size(), 2);
}

// Sixteen requests wait for a busy device; the newest beyond them is refused at once and counted.
TEST_F(ModbusGatewayTest, AFullQueueRefusesTheNewest)
{
    settings = {2000, 0, 1, 16};
    ModbusSimulator simulator;
    ASSERT_TRUE(simulator.start({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0"),
                                 QStringLiteral("--fault"), QStringLiteral("late")}));
    // The first probe holds the device for the whole timeout; the requests queue behind it.
    serve({{QStringLiteral("310009"), tcpLink(simulator.address())}});
    auto c = client();
    QByteArray burst;
    for (int i = 0; i < 20; ++i)
        burst += requestBytes(QStringLiteral("enertum"), {QStringLiteral("310009")});
    c->send(burst);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(c->readReply(1000), hattayok("310009"));
    EXPECT_LT(timer.elapsed(), 1000) << "refused requests are answered at once";
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(c->readReply(4000), hattayok("310009"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return logged(QStringLiteral("4 requests refused, its queue of 16 was full")); }, 3000));
}

// Polled value records go to the users who see the device; a change of the input register sends "input".
TEST_F(ModbusGatewayTest, PollingSendsValueRecordsAndInputChanges)
{
    ModbusSimulator simulator;
    ASSERT_TRUE(simulator.start({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0")}));
    serve({{QStringLiteral("310009"), tcpLink(simulator.address())}}, 1);
    auto c = client();
    // The simulated analyzers send theirs too.
    auto noticeOf = [&](const char *tag) {
        for (int i = 0; i < 20; ++i) {
            const QByteArray reply = c->readUntil("\xF4\xF4\xF4", 4000);
            if (reply.startsWith(tag) && fieldsOf(reply).value(0) == u"310009")
                return fieldsOf(reply);
        }
        return QStringList();
    };
    const QStringList fields = noticeOf("cihazenerji");
    ASSERT_GE(fields.size(), 3);
    EXPECT_EQ(fields[1], QStringLiteral("Saha"));
    // Current of phase 1 as the simulator serves it, and the row named in entry 43.
    const QStringList entries = fields[2].split(u'$', Qt::SkipEmptyParts);
    ASSERT_EQ(entries.size(), 52);
    EXPECT_EQ(entries[6], QStringLiteral("000048250"));
    EXPECT_EQ(entries[43], QStringLiteral("000010000"));

    // Inputs 1, 2 and 3 from 1 and 3.
    modbus_t *writer = modbus_new_tcp("127.0.0.1", simulator.port());
    ASSERT_EQ(modbus_connect(writer), 0);
    modbus_set_slave(writer, 1);
    ASSERT_EQ(modbus_write_register(writer, 71, 0x0700), 1);
    modbus_close(writer);
    modbus_free(writer);
    const QStringList inputFields = noticeOf("input");
    ASSERT_EQ(inputFields.size(), 2);
    EXPECT_EQ(inputFields[0], QStringLiteral("310009"));
    EXPECT_TRUE(inputFields[1].endsWith(QStringLiteral("$5$7"))) << inputFields[1].toStdString();
}

// The configuration's links and maps: what is accepted, and what stops the server with a reason.
TEST(ModbusConfigTest, LinksAndMapsAreCheckedAtStart)
{
    struct Case {
        const char *devices;
        const char *extra;
        const char *error; // empty: accepted
    };
    const Case cases[] = {
        {R"({"type":"VNA310","name":"a","serial":"1","link":{"modbusTcp":"127.0.0.1:1502","unit":1}})", "",
         ""},
        {R"({"type":"VNA310","name":"a","serial":"1","link":"simulated"})", "", ""},
        {R"({"type":"VNA310","name":"a","serial":"1","link":{"modbusRtu":"/dev/ttyUSB0","baud":19200,"parity":"E","unit":3}})",
         R"(,"modbus":{"timeoutMs":200,"retries":1,"probeSeconds":5,"queue":4})", ""},
        {R"({"type":"VNA310","name":"a","serial":"1","link":{"modbusTcp":"127.0.0.1","unit":1}})", "",
         "HOST:PORT"},
        {R"({"type":"VNA310","name":"a","serial":"1","link":{"modbusRtu":"/dev/ttyUSB0","parity":"X","unit":1}})",
         "", "parity"},
        {R"({"type":"VNA310","name":"a","serial":"1","link":{"modbusRtu":"/dev/ttyUSB0","unit":0}})", "",
         "\"unit\""},
        {R"({"type":"VNA310","name":"a","serial":"1","link":{"modbusTcp":"127.0.0.1:502","unit":"7"}})", "",
         "\"unit\""},
        {R"({"type":"VNA310","name":"a","serial":"1","link":{"modbusTcp":"h:1","modbusRtu":"/dev/x","unit":1}})",
         "", "\"link\""},
        {R"({"type":"VNA310","name":"a","serial":"1","link":{"modbusRtu":"/dev/ttyUSB0","unit":2}},
            {"type":"VNA310","name":"b","serial":"2","link":{"modbusRtu":"/dev/ttyUSB0","unit":2}})",
         "", "unit 2 on /dev/ttyUSB0 is taken by 1"},
        {R"({"type":"VNA310","name":"a","serial":"1","link":{"modbusRtu":"/dev/ttyUSB0","unit":2}},
            {"type":"VNA310","name":"b","serial":"2","link":{"modbusRtu":"/dev/ttyUSB0","baud":19200,"unit":3}})",
         "", "another speed or parity"},
        {R"({"type":"VNA310","name":"a","serial":"1"})", R"(,"modbus":{"retries":11})", "\"retries\""},
        {R"({"type":"VNA310","name":"a","serial":"1"})",
         R"(,"registerMaps":{"VNA310":{"enertum":{"read":0,"count":128}}})", "count\" 1 to 127"},
        {R"({"type":"VNA310","name":"a","serial":"1"})",
         R"(,"registerMaps":{"VNA310":{"values":{"read":0,"count":300}}})", ""},
        {R"({"type":"VNA310","name":"a","serial":"1"})",
         R"(,"registerMaps":{"VNA310":{"sayac":{"read":0,"count":2}}})",
         "no request that reads or writes registers"},
        {R"({"type":"VNA310","name":"a","serial":"1"})",
         R"(,"registerMaps":{"VNA310":{"roleaktif":{"write":5,"function":5}}})", "\"function\" 6 or 16"},
    };
    for (const Case &c : cases) {
        const QByteArray json = QByteArray(R"({"groups":[{"name":"g","devices":[)") + c.devices + "]}]" +
                                c.extra + R"(,"users":[]})";
        QString error;
        const auto config = ServerConfig::fromJson(json, &error);
        if (*c.error == 0)
            EXPECT_TRUE(config.has_value()) << c.devices << c.extra << ": " << error.toStdString();
        else
            EXPECT_TRUE(!config && error.contains(QLatin1String(c.error)))
                << c.devices << c.extra << ": " << error.toStdString();
    }

    // Entries of a configured map change the built-in one verb by verb; null takes one away.
    QString error;
    const auto config = ServerConfig::fromJson(
        R"({"registerMaps":{"VNA310":{"enertum":{"read":3000,"count":72},"resetle":null,
            "inputs":{"register":9,"byte":"low"}}}})",
        &error);
    ASSERT_TRUE(config) << error.toStdString();
    const RegisterMap map = config->registerMap(QStringLiteral("VNA310"));
    EXPECT_EQ(map.read(QStringLiteral("enertum"))->start, 3000);
    EXPECT_EQ(map.read(QStringLiteral("cosfi"))->start, 30);
    EXPECT_FALSE(map.write(QStringLiteral("resetle")));
    EXPECT_EQ(map.inputs()->address, 9);
    EXPECT_FALSE(map.inputs()->highByte);
    EXPECT_FALSE(config->registerMap(QStringLiteral("VNM530")).read(QStringLiteral("enertum")));
    EXPECT_EQ(config->registerMap(QStringLiteral("VNR420")).read(QStringLiteral("enertum"))->count, 12);
}
