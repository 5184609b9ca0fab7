#include "Clock.h"
#include "KorvelServer.h"
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

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>

using namespace korvel;

namespace
{

// Runs the event loop until the condition holds or five seconds pass.
bool waitFor(const std::function<bool()> &condition)
{
    QDeadlineTimer deadline(5000);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// korvel-server with its demo data on a free loopback port, and the client, both in this process.
class ClientServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        test::application("e2e_tests");
        server::ServerConfig config = server::ServerConfig::demo();
        config.pace = {0, 0, 0};
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
        ASSERT_TRUE(waitFor([this] { return itemCount() == 5; })) << "device list did not arrive";
    }

    void clickButton(const QString &name)
    {
        qobject_cast<QAbstractButton *>(m_client->windows().screen().find(name))->click();
    }

    int itemCount()
    {
        int n = 0;
        for (int g = 0; g < bar().groupCount(); ++g)
            n += bar().itemCount(g);
        return n;
    }

    void clickItem(const QString &caption)
    {
        for (int g = 0; g < bar().groupCount(); ++g)
            for (int i = 0; i < bar().itemCount(g); ++i)
                if (bar().itemCaption(g, i) == caption)
                    return Q_EMIT bar().itemClicked(g, i);
        FAIL() << "no item " << caption.toStdString();
    }

    void renderTick() { m_environment.ticker(QStringLiteral("TFrmAna.Timer1"))->fire(); }

    server::ManualClock m_clock{QDateTime(QDate(2026, 3, 14), QTime(12, 0), QTimeZone::utc())};
    server::ServerLog m_log{[](const QString &) {}};
    std::unique_ptr<server::KorvelServer> m_server;
    ScenarioEnvironment m_environment;
    TcpLink m_link;
    std::unique_ptr<Client> m_client;
};

} // namespace

TEST_F(ClientServerTest, LogsInAndReceivesTheDeviceListAndRights)
{
    login();
    EXPECT_EQ(m_client->windows().main().windowTitle(), QStringLiteral("<<<<<<<demo Bağlı.>>>>>>>>>"));
    ASSERT_EQ(bar().groupCount(), 2);
    EXPECT_EQ(bar().groupCaption(0), QStringLiteral("MERKEZ FABRIKA"));
    EXPECT_EQ(bar().groupCaption(1), QStringLiteral("ŞUBE DEPO"));
    // Newest first; each model with its picture.
    EXPECT_EQ(bar().itemCaption(0, 0), QStringLiteral("TEDAŞ Sayaç Okuyucu No: 530001"));
    EXPECT_EQ(bar().itemImageIndex(0, 0), 4);
    EXPECT_EQ(bar().itemImageIndex(0, 1), 3);
    EXPECT_EQ(bar().itemImageIndex(0, 2), 0);
    // Every right of the demo user arrived.
    ASSERT_TRUE(waitFor([this] { return screen().isEnabled(QStringLiteral("sabitoku")); }));
    EXPECT_TRUE(screen().isVisible(QStringLiteral("Panel7")));
    EXPECT_FALSE(screen().lines(QStringLiteral("TFrmhaberlesme.ListBox1")).isEmpty());
}

TEST_F(ClientServerTest, AnalyzerValuesReachTheInstantView)
{
    login();
    clickItem(QStringLiteral("Ana Pano Analizör No: 310001"));
    DeviceValueTable &table = m_client->valueTable();
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 36; })) << "enertum was not answered";
    EXPECT_EQ(screen().caption(QStringLiteral("Label2")), QStringLiteral("310001 Nolu Cihaz Verileri"));
    const double v1 = table.value(1, 0);
    EXPECT_GT(v1, 200.0);
    EXPECT_LT(v1, 260.0);
    renderTick();
    const double shown = screen().caption(QStringLiteral("V1")).toDouble();
    EXPECT_NEAR(shown, v1, 0.05);
    const double frequency = screen().caption(QStringLiteral("Fr")).toDouble();
    EXPECT_NEAR(frequency, 50.0, 0.5);
    const double cosPhi = screen().caption(QStringLiteral("CosE")).toDouble();
    EXPECT_GT(cosPhi, 0.5);
    EXPECT_LE(cosPhi, 1.0);
    EXPECT_EQ(m_client->windows().screen().position(QStringLiteral("VrMeter2")),
              std::clamp(int(std::nearbyint(100 * (1 - table.value(1, 33)))), -50, 50));
    m_client->windows().main().resize(1280, 800);
    m_client->windows().main().grab().save(QStringLiteral("e2e-analyzer.png"));
}

TEST_F(ClientServerTest, AnalyzerConsumptionAndCapacitorStatesReachTheirTabs)
{
    login();
    clickItem(QStringLiteral("Ana Pano Analizör No: 310001"));
    DeviceValueTable &table = m_client->valueTable();
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 36; })) << "enertum was not answered";
    m_client->windows().main().resize(1280, 800);

    clickButton(QStringLiteral("VrShadowButton8"));
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 52; })) << "enerharcanan was not answered";
    EXPECT_EQ(screen().caption(QStringLiteral("Label2")),
              QStringLiteral("310001 Nolu Cihaz Tüketim Verileri"));
    renderTick();
    const auto shown = [this](const char *name) {
        return screen().caption(QString::fromLatin1(name)).toDouble();
    };
    EXPECT_GT(table.value(1, 36), 0.0);
    EXPECT_NEAR(shown("kWh1"), table.value(1, 36), 0.01);
    EXPECT_NEAR(shown("kVArLh1"), table.value(1, 42), 0.01);
    EXPECT_EQ(screen().caption(QStringLiteral("SayacAktif")), QStringLiteral("0"));
    EXPECT_NEAR(shown("Ewh"), shown("kWh1") + shown("kwh2") + shown("kwh3"), 1e-6);
    EXPECT_NEAR(shown("Elh"), table.value(1, 50), 0.001);
    EXPECT_NEAR(shown("Toplamindoran"), shown("Elh") / shown("Ewh") * 100, 0.001);
    EXPECT_NEAR(shown("Toplamkaporan"), std::fabs(shown("ECh") / shown("Ewh") * 100), 0.01);
    screen().setActivePage(1);
    m_client->windows().main().grab().save(QStringLiteral("e2e-consumption.png"));

    clickButton(QStringLiteral("BitBtn2"));
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 83; })) << "kondasatordurum was not answered";
    renderTick();
    const std::array<int, 4> states = {table.rawByte(1, 52, 0), table.rawByte(1, 52, 1),
                                       table.rawByte(1, 52, 2), table.rawByte(1, 52, 3)};
    int active = 0;
    for (int g = 0; g < 4; ++g) {
        for (int k = 0; k < 6; ++k) {
            const bool on = (states[size_t(g)] >> k) & 1;
            active += on;
            EXPECT_EQ(screen().picture(QStringLiteral("F%1%2").arg(g + 1).arg(k + 1)),
                      on ? QStringLiteral("kondaktif.bmp") : QStringLiteral("kondpasif.bmp"))
                << "group " << g + 1 << " step " << k + 1;
        }
    }
    EXPECT_GT(active, 0) << "the demo analyzer compensates with some steps";
    EXPECT_NEAR(shown("CA1"), table.value(1, 53), 0.001);
    // Every step of the demo bank hangs on a phase; its box is ticked.
    static const char *const boxes[] = {"", "CHK_R", "CHK_S", "", "CHK_T", "", "", "CHK_RST"};
    for (int n = 0; n < 24; ++n) {
        const int phase = table.rawByte(1, 77 + n / 4, n % 4);
        if (phase == 1 || phase == 2 || phase == 4 || phase == 7) {
            EXPECT_TRUE(
                screen().isChecked(QStringLiteral("C%1").arg(n + 1) + QString::fromLatin1(boxes[phase])))
                << "step " << n + 1;
        }
    }
    screen().setActivePage(4);
    m_client->windows().main().grab().save(QStringLiteral("e2e-capacitors.png"));
}

TEST_F(ClientServerTest, RelayShowsItsClockAndCurrentsInTheCompactView)
{
    login();
    clickItem(QStringLiteral("Giriş Aşırı Akım Rölesi No: 420001"));
    DeviceValueTable &table = m_client->valueTable();
    ASSERT_TRUE(waitFor([&] { return table.rawByte(1, 2, 0) != -1; })) << "enertum was not answered";
    EXPECT_FALSE(screen().isVisible(QStringLiteral("Panel7")));
    renderTick();
    EXPECT_EQ(screen().caption(QStringLiteral("Saat")), QStringLiteral("12:0:0"));
    EXPECT_EQ(screen().caption(QStringLiteral("Trh")), QStringLiteral("14.3.2026"));
    EXPECT_GT(screen().caption(QStringLiteral("akim1")).toDouble(), 0.0);
    m_client->windows().main().grab().save(QStringLiteral("e2e-relay.png"));
}

TEST_F(ClientServerTest, OffLineDeviceIsReported)
{
    login();
    clickItem(QStringLiteral("Yedek Jeneratör Panosu No: 310003"));
    ASSERT_TRUE(waitFor([this] {
        return screen().caption(QStringLiteral("LblMesaj")).contains(QStringLiteral("hatta değil"));
    }));
    EXPECT_EQ(screen().caption(QStringLiteral("LblMesaj")),
              QStringLiteral("310003 Seri Nolu cihaz hatta değil. Lütfen sonra tekrar deneyin..."));
}
