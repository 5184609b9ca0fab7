// The real client, offscreen, against korvel-server whose analyzer 310009 is a pymodbus field device
// on Modbus TCP or on Modbus RTU behind a pseudo-terminal.

#include "Clock.h"
#include "KorvelServer.h"
#include "ModbusSimulator.h"
#include "ScenarioEnvironment.h"
#include "ServerConfig.h"
#include "ServerLog.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "link/TcpLink.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/widgets/GroupBar.h"
#include "values/DeviceValueTable.h"

#include "TestApplication.h"

#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <bit>
#include <functional>

using namespace korvel;
using server::test::ModbusSimulator;

namespace
{

bool waitFor(const std::function<bool()> &condition, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The analyzer's registers with values the test knows: slot n is registers 2n and 2n+1.
QByteArray knownImage()
{
    QList<quint16> registers(72, 0);
    auto put = [&](int slot, float value) {
        const quint32 bits = std::bit_cast<quint32>(value);
        registers[2 * slot] = quint16(bits >> 16);
        registers[2 * slot + 1] = quint16(bits);
    };
    put(0, 231.5f);      // V1
    put(6, 52.25f);      // I1
    put(15, 0.97f);      // cos phi 1
    put(33, -0.965f);    // cos phi of the installation, capacitive
    registers[70] = 501; // 50.1 Hz in the first two bytes of the word of frequency and inputs
    registers[71] = 0x0500;
    return ModbusSimulator::image({{0, registers}});
}

struct FieldLink {
    const char *name;
    bool rtu;
};

void PrintTo(const FieldLink &link, std::ostream *out)
{
    *out << link.name;
}

class ModbusClientTest : public ::testing::TestWithParam<FieldLink>
{
protected:
    void SetUp() override
    {
        test::application("modbus_client_tests");
        QFile image(m_dir.filePath(QStringLiteral("image.json")));
        ASSERT_TRUE(image.open(QIODevice::WriteOnly));
        image.write(knownImage());
        image.close();
        const bool rtu = GetParam().rtu;
        const QStringList where = rtu ? QStringList{QStringLiteral("--rtu")}
                                      : QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0")};
        ASSERT_TRUE(m_simulator.start(where + QStringList{QStringLiteral("--image"), image.fileName()}));

        server::ServerConfig config = server::ServerConfig::demo();
        config.pace = {0, 0, 0};
        config.field = {300, 2, 1, 16};
        server::DeviceLink link;
        link.kind = rtu ? server::DeviceLink::Kind::ModbusRtu : server::DeviceLink::Kind::ModbusTcp;
        link.address = m_simulator.address();
        config.devices.append({QStringLiteral("Saha"), QStringLiteral("VNA310"),
                               QStringLiteral("Modbus Analizör"), QStringLiteral("310009"), true, 10, link});
        m_server = std::make_unique<server::KorvelServer>(config, m_clock, m_log);
        ASSERT_TRUE(m_server->listen(QHostAddress::LocalHost, 0));
        m_client = std::make_unique<Client>(m_environment, m_link);
        m_client->start();
    }

    void TearDown() override
    {
        m_client.reset();
        m_server.reset();
    }

    Screen &screen() { return m_client->windows().screen(); }
    GroupBar &bar() { return *m_client->windows().main().groupBar(); }

    void login()
    {
        screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
        screen().setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("demo"));
        screen().setCaption(QStringLiteral("TFrmGiris.edtport"), QString::number(m_server->port()));
        clickButton(QStringLiteral("TFrmGiris.suiButton1"));
        ASSERT_TRUE(waitFor([this] { return bar().groupCount() == 3; })) << "device list did not arrive";
    }

    void clickButton(const QString &name)
    {
        qobject_cast<QAbstractButton *>(m_client->windows().screen().find(name))->click();
    }

    void clickItem(const QString &caption)
    {
        for (int g = 0; g < bar().groupCount(); ++g)
            for (int i = 0; i < bar().itemCount(g); ++i)
                if (bar().itemCaption(g, i) == caption)
                    return Q_EMIT bar().itemClicked(g, i);
        FAIL() << "no item " << caption.toStdString();
    }

    // The writes the simulator received, once there are n.
    QStringList writes(qsizetype n)
    {
        waitFor([&] { return m_simulator.writes().size() >= n; });
        return m_simulator.writes();
    }

    void renderTick() { m_environment.ticker(QStringLiteral("TFrmAna.Timer1"))->fire(); }

    QTemporaryDir m_dir;
    ModbusSimulator m_simulator;
    server::ManualClock m_clock{QDateTime(QDate(2026, 3, 14), QTime(12, 0), QTimeZone::utc())};
    server::ServerLog m_log{[](const QString &) {}};
    std::unique_ptr<server::KorvelServer> m_server;
    ScenarioEnvironment m_environment;
    TcpLink m_link;
    std::unique_ptr<Client> m_client;
};

} // namespace

TEST_P(ModbusClientTest, ShowsTheValuesTheFieldDeviceServes)
{
    login();
    clickItem(QStringLiteral("Modbus Analizör No: 310009"));
    DeviceValueTable &table = m_client->valueTable();
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 36; })) << "enertum was not answered";
    EXPECT_EQ(screen().caption(QStringLiteral("Label2")), QStringLiteral("310009 Nolu Cihaz Verileri"));
    EXPECT_EQ(table.value(1, 0), 231.5);
    EXPECT_EQ(table.value(1, 6), 52.25);
    renderTick();
    EXPECT_EQ(screen().caption(QStringLiteral("V1")), QStringLiteral("231.5"));
    EXPECT_EQ(screen().caption(QStringLiteral("akm1")), QStringLiteral("52.250"));
    EXPECT_EQ(screen().caption(QStringLiteral("Cos1")), QStringLiteral("0.970"));
    EXPECT_EQ(screen().caption(QStringLiteral("CosE")), QStringLiteral("-0.965"));
    EXPECT_EQ(screen().caption(QStringLiteral("Fr")), QStringLiteral("50.1"));
}

// A capacitor command and a settings write land in the registers the map names, read back from the
// simulator.
TEST_P(ModbusClientTest, CommandsLandInTheSimulatorsRegisters)
{
    login();
    clickItem(QStringLiteral("Modbus Analizör No: 310009"));
    DeviceValueTable &table = m_client->valueTable();
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 36; })) << "enertum was not answered";

    for (const char *step : {"C11", "C16", "c22", "c46"})
        screen().setChecked(QString::fromLatin1(step), true);
    m_environment.queueAnswer(true);
    clickButton(QStringLiteral("BitBtn1"));
    // Groups 1 to 4: 33, 2, 0 and 32, two to a register.
    EXPECT_EQ(writes(1), QStringList{QStringLiteral("1 104 8450 32")});

    screen().setCaption(QStringLiteral("VC"), QStringLiteral("1000"));
    screen().setCaption(QStringLiteral("CT"), QStringLiteral("5"));
    clickButton(QStringLiteral("Button9"));
    EXPECT_EQ(writes(2).value(1), QStringLiteral("1 200 1000 5"));
}

INSTANTIATE_TEST_SUITE_P(Links, ModbusClientTest,
                         ::testing::Values(FieldLink{"tcp", false}, FieldLink{"rtu", true}),
                         [](const auto &info) { return std::string(info.param.name); });
