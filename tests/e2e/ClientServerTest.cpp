#include "Clock.h"
#include "DeviceModel.h"
#include "Directory.h"
#include "KorvelServer.h"
#include "ScenarioEnvironment.h"
#include "ServerConfig.h"
#include "ServerLog.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "link/TcpLink.h"
#include "metering/ReadoutCodes.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/MessagesWindow.h"
#include "ui/widgets/GroupBar.h"
#include "values/DeviceValueTable.h"
#include "values/FloatBytes.h"

#include "TestApplication.h"
#include <QAbstractButton>

#include <QApplication>
#include <QDeadlineTimer>
#include <QLocale>
#include <QMap>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <iostream>

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

    // A server that sends its unsolicited notices at this pace (seconds; 0: never), in place of the quiet
    // one.
    void restartServer(server::Pace pace)
    {
        server::ServerConfig config = server::ServerConfig::demo();
        config.pace = pace;
        m_server.reset();
        m_server = std::make_unique<server::KorvelServer>(config, m_clock, m_log);
        ASSERT_TRUE(m_server->listen(QHostAddress::LocalHost, 0));
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

// "İptal" while the connect waits for a server that does not answer, then "Bağlan" against one that does.
TEST_F(ClientServerTest, CancelledConnectLeavesTheWayToConnectAgain)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 refusing = closed.serverPort();
    closed.close();
    screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    screen().setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("demo"));
    screen().setCaption(QStringLiteral("TFrmGiris.edtport"), QString::number(refusing));
    clickButton(QStringLiteral("TFrmGiris.suiButton1"));
    ASSERT_TRUE(waitFor([this] {
        return screen().caption(QStringLiteral("TFrmGiris.LABEL6.2")) == QStringLiteral("Bağlantı Hatası");
    }));
    ASSERT_TRUE(m_client->connection().isWaiting());
    clickButton(QStringLiteral("TFrmGiris.suiButton2"));
    EXPECT_FALSE(m_client->connection().isWaiting());
    EXPECT_TRUE(screen().isEnabled(QStringLiteral("TFrmGiris.suiButton1")));
    login();
    EXPECT_EQ(m_client->windows().main().windowTitle(), QStringLiteral("<<<<<<<demo Bağlı.>>>>>>>>>"));
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
    // The relay's currents come at its resolution of 1/8 A, so the general format stays short.
    for (const char *name : {"akim1", "akim2", "akim3", "akimt"}) {
        const QString text = screen().caption(QString::fromLatin1(name));
        EXPECT_GT(text.toDouble(), 0.0) << name;
        EXPECT_LE(text.size(), 8) << name << " " << text.toStdString();
        EXPECT_EQ(text.toDouble() * 8, std::round(text.toDouble() * 8)) << name << " " << text.toStdString();
    }
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

// Settings writers change the simulated analyzer: the next settings read shows the new values, and a
// confirmed reset brings the factory settings back.
TEST_F(ClientServerTest, SettingsWritesAreReadBack)
{
    login();
    clickItem(QStringLiteral("Ana Pano Analizör No: 310001"));
    DeviceValueTable &table = m_client->valueTable();
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 36; })) << "enertum was not answered";

    const auto readSettings = [&] {
        clickButton(QStringLiteral("sabitoku"));
        return waitFor([&] { return table.slotCursor() == 113; });
    };
    ASSERT_TRUE(readSettings()) << "sabitiste was not answered";
    renderTick();
    EXPECT_EQ(screen().caption(QStringLiteral("LBLVT")), QStringLiteral("1"));
    EXPECT_EQ(screen().caption(QStringLiteral("LBLCT")), QStringLiteral("200"));
    EXPECT_EQ(screen().caption(QStringLiteral("lbloto")), QStringLiteral("Aktif"));

    // Each writer changes values the device reported: each asks, naming the changes, and Yes sends.
    for (int writer = 0; writer < 4; ++writer)
        m_environment.queueAnswer(true);
    screen().setCaption(QStringLiteral("VC"), QStringLiteral("1000"));
    screen().setCaption(QStringLiteral("CT"), QStringLiteral("5"));
    clickButton(QStringLiteral("Button9"));
    screen().setCaption(QStringLiteral("Bank1"), QStringLiteral("0"));
    screen().setCaption(QStringLiteral("Bank3"), QStringLiteral("24"));
    clickButton(QStringLiteral("Button11"));
    screen().setCaption(QStringLiteral("ilkkva3"), QStringLiteral("12.5"));
    clickButton(QStringLiteral("Button13"));
    screen().setCaption(QStringLiteral("cosmin1"), QStringLiteral("0.999"));
    clickButton(QStringLiteral("Button12"));
    screen().setChecked(QStringLiteral("RadioManual"), true);
    clickButton(QStringLiteral("konmodgonder"));
    ASSERT_TRUE(readSettings());
    renderTick();
    EXPECT_EQ(screen().caption(QStringLiteral("LBLVT")), QStringLiteral("1000"));
    EXPECT_EQ(screen().caption(QStringLiteral("LBLCT")), QStringLiteral("5"));
    EXPECT_EQ(screen().caption(QStringLiteral("LBLBANK1")), QStringLiteral("0"));
    EXPECT_EQ(screen().caption(QStringLiteral("LBLBANK2")), QStringLiteral("24"));
    EXPECT_EQ(screen().caption(QStringLiteral("LBLILKKVA3")), QStringLiteral("12.500"));
    EXPECT_EQ(screen().caption(QStringLiteral("LBLCOSMIN1")), QStringLiteral("0.999"));
    EXPECT_EQ(screen().caption(QStringLiteral("lbloto")), QStringLiteral("Pasif"));
    EXPECT_EQ(screen().caption(QStringLiteral("lblmanual")), QStringLiteral("Aktif"));
    m_client->windows().main().resize(1280, 800);
    m_client->windows().screen().setActivePage(5);
    m_client->windows().main().grab().save(QStringLiteral("e2e-settings.png"));

    m_environment.queueAnswer(true);
    clickButton(QStringLiteral("btnreset"));
    ASSERT_TRUE(readSettings());
    renderTick();
    EXPECT_EQ(screen().caption(QStringLiteral("LBLVT")), QStringLiteral("1"));
    EXPECT_EQ(screen().caption(QStringLiteral("LBLCT")), QStringLiteral("200"));
}

// Capacitor steps switched from the capacitor tab and from the eight-relay panel show in the states of
// the next capacitor read; the output relays show on inputs 7 and 8 of the next value read.
TEST_F(ClientServerTest, CommandsChangeWhatTheDeviceReports)
{
    login();
    clickItem(QStringLiteral("Ana Pano Analizör No: 310001"));
    DeviceValueTable &table = m_client->valueTable();
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 36; })) << "enertum was not answered";
    const auto readCapacitors = [&] {
        clickButton(QStringLiteral("BitBtn2"));
        return waitFor([&] { return table.slotCursor() == 83; });
    };

    for (const char *step : {"C11", "C16", "c22", "c46"})
        screen().setChecked(QString::fromLatin1(step), true);
    // Nothing was read: the question says every step not ticked goes out.
    m_environment.queueAnswer(true);
    clickButton(QStringLiteral("BitBtn1"));
    ASSERT_TRUE(readCapacitors()) << "kondasatordurum was not answered";
    EXPECT_EQ(table.rawByte(1, 52, 0), 33);
    EXPECT_EQ(table.rawByte(1, 52, 1), 2);
    EXPECT_EQ(table.rawByte(1, 52, 2), 0);
    EXPECT_EQ(table.rawByte(1, 52, 3), 32);

    // The panel's R1 to R8 drive steps C1 to C8.
    screen().setChecked(QStringLiteral("c422"), true);
    screen().setChecked(QStringLiteral("c488"), true);
    m_environment.queueAnswer(true);
    clickButton(QStringLiteral("VrShadowButton10"));
    ASSERT_TRUE(readCapacitors());
    EXPECT_EQ(table.rawByte(1, 52, 0), 2);
    EXPECT_EQ(table.rawByte(1, 52, 1), 2);
    EXPECT_EQ(table.rawByte(1, 52, 3), 32);

    renderTick(); // Label17 carries the device number that "rolektifg" sends
    screen().setChecked(QStringLiteral("VrPowerButton1"), true);
    screen().setChecked(QStringLiteral("VrPowerButton2"), true);
    m_environment.queueAnswer(true);
    clickButton(QStringLiteral("VrShadowButton4"));
    const auto readInputs = [&] {
        clickItem(QStringLiteral("Ana Pano Analizör No: 310001"));
        return waitFor([&] { return table.slotCursor() == 36; }) ? SplitToBytes(table.value(1, 35))[2] : -1;
    };
    EXPECT_EQ(readInputs() & 0xC0, 0xC0);
    // Neither relay on: the device has no code for it, so nothing goes out and both stay pulled.
    screen().setChecked(QStringLiteral("VrPowerButton1"), false);
    screen().setChecked(QStringLiteral("VrPowerButton2"), false);
    clickButton(QStringLiteral("VrShadowButton4"));
    EXPECT_EQ(readInputs() & 0xC0, 0xC0);
}

// Switching one capacitor step or changing one time setting leaves every other step and time as the
// device held it: the toggles and boxes start from what was read.
TEST_F(ClientServerTest, OneStepOrOneTimeChangesOnlyThat)
{
    login();
    clickItem(QStringLiteral("Ana Pano Analizör No: 310001"));
    DeviceValueTable &table = m_client->valueTable();
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 36; })) << "enertum was not answered";
    const auto readCapacitors = [&] {
        clickButton(QStringLiteral("BitBtn2"));
        EXPECT_TRUE(waitFor([&] { return table.slotCursor() == 83; })) << "kondasatordurum was not answered";
        std::array<int, 4> masks{};
        for (int g = 0; g < 4; ++g)
            masks[size_t(g)] = table.rawByte(1, 52, g) & 0x3F;
        return masks;
    };
    const std::array<int, 4> before = readCapacitors();
    // The first step that is out goes in.
    int step = -1;
    for (int n = 0; n < 24 && step < 0; ++n) {
        if (!((before[size_t(n / 6)] >> (n % 6)) & 1))
            step = n;
    }
    ASSERT_GE(step, 0) << "every step of the demo bank is in";
    static const char *const groups[] = {"C1", "c2", "c3", "c4"};
    screen().setChecked(QString::fromLatin1(groups[step / 6]) + QString::number(step % 6 + 1), true);
    m_environment.takeBoxes();
    m_environment.queueAnswer(true);
    clickButton(QStringLiteral("BitBtn1"));
    EXPECT_EQ(
        m_environment.takeBoxes(),
        QStringList{QStringLiteral("Cihaz: 310001\nDevreye girecek: C%1\n\nGönderilsin mi?").arg(step + 1)});
    std::array<int, 4> expected = before;
    expected[size_t(step / 6)] |= 1 << (step % 6);
    EXPECT_EQ(readCapacitors(), expected);

    const auto readTimes = [&] {
        clickButton(QStringLiteral("sabitoku"));
        EXPECT_TRUE(waitFor([&] { return table.slotCursor() == 113; })) << "sabitiste was not answered";
        return SplitToBytes(table.value(1, 101));
    };
    const auto times = readTimes();
    EXPECT_EQ(screen().caption(QStringLiteral("Alma1")), QString::number(times[0]));
    EXPECT_EQ(screen().caption(QStringLiteral("cikma2")), QString::number(times[3]));
    const int threePhaseIn = times[2] == 20 ? 21 : 20;
    screen().setCaption(QStringLiteral("alma2"), QString::number(threePhaseIn));
    m_environment.queueAnswer(true);
    clickButton(QStringLiteral("Button10"));
    // Only the value the user changed is named; the others go back as the device reported them.
    EXPECT_EQ(m_environment.takeBoxes(),
              QStringList{
                  QStringLiteral("Cihaz: 310001\nCihazın bildirdiği değerler değişecek:\nAlma Süre Trifaze: "
                                 "%1 → %2\n\nGönderilsin mi?")
                      .arg(times[2])
                      .arg(threePhaseIn)});
    const auto after = readTimes();
    EXPECT_EQ(after[0], times[0]);
    EXPECT_EQ(after[1], times[1]);
    EXPECT_EQ(after[2], threePhaseIn);
    EXPECT_EQ(after[3], times[3]);
}

// The demo analyzer's waveforms carry the 3rd, 5th and 7th harmonics on every phase: they stand out of
// the spectra where they belong, and the even orders stay near zero.
TEST_F(ClientServerTest, HarmonicsOfTheThreePhasesShowTheSimulatedOrders)
{
    login();
    clickItem(QStringLiteral("Ana Pano Analizör No: 310001"));
    ASSERT_TRUE(waitFor([&] { return m_client->valueTable().slotCursor() == 36; }));
    screen().setActivePage(3);
    const struct {
        const char *button;
        const char *selectors[2];
        const char *boxes[2];
    } phases[] = {{"VrShadowButton5", {"SpinEdit2", "SpinEdit1"}, {"EditH22", "EditH2"}},
                  {"VrShadowButton6", {"SpinEdit3", "SpinEdit4"}, {"EditH11", "EditH12"}},
                  {"VrShadowButton7", {"SpinEdit5", "SpinEdit6"}, {"EditH31", "EditH32"}}};
    for (const auto &p : phases) {
        screen().setCaption(QStringLiteral("Label2"), QString());
        clickButton(QString::fromLatin1(p.button));
        ASSERT_TRUE(waitFor([this] { return !screen().caption(QStringLiteral("Label2")).isEmpty(); }));
        ASSERT_EQ(screen().caption(QStringLiteral("Label2")),
                  QStringLiteral("310001 nolu cihaz harmonik verileri"));
        for (int q = 0; q < 2; ++q) {
            const QString selector = QString::fromLatin1(p.selectors[q]);
            const QString box = QString::fromLatin1(p.boxes[q]);
            auto order = [&](int k) {
                screen().setCaption(selector, QString::number(k));
                return screen().caption(box).toDouble();
            };
            const double h1 = order(1);
            EXPECT_GT(h1, q == 0 ? 90.0 : 10.0) << p.button << " quantity " << q;
            for (int k : {3, 5, 7}) {
                // The voltage carries 1.2, 2.5 and 1.5 % of its fundamental, the current 3.5 to 10 %.
                EXPECT_GT(order(k), 0.008 * h1) << p.button << " quantity " << q << " order " << k;
                EXPECT_LT(order(k), 0.12 * h1) << p.button << " quantity " << q << " order " << k;
            }
            for (int k : {2, 4, 6, 9, 11})
                EXPECT_LT(order(k), 0.006 * h1 + 0.3) << p.button << " quantity " << q << " order " << k;
            screen().setCaption(selector, QStringLiteral("1"));
        }
    }
    m_client->windows().main().resize(1280, 900);
    m_client->windows().main().grab().save(QStringLiteral("e2e-harmonics.png"));
}

// The value records of every analyzer, shown through the `Edit1` row, read as plausible quantities like
// the register dumps do: at many instants of the day and with the inputs changing.
TEST_F(ClientServerTest, ValueRecordsOfEveryAnalyzerShowPlausibleQuantities)
{
    login();
    DeviceValueTable &table = m_client->valueTable();
    std::vector<const server::DeviceModel *> analyzers;
    for (const auto &device : m_server->directory().devices())
        if (device->isAnalyzer() && device->entry().online)
            analyzers.push_back(device.get());
    ASSERT_EQ(analyzers.size(), 2u);

    struct Range {
        const char *controls;
        double low, high;
    };
    const Range ranges[] = {
        {"V1 V2 V3", 200, 260},
        {"L12 L23 L31", 350, 450},
        {"akm1 akm2 akm3 kW1 Kw2 kW3 KVA1 KVA2 KVA3 kW1n kw2n kw3n EW EWP ERL", 0, 1e6},
        {"kr1 kr2 kr3 ER", -1e6, 1e6},
        {"EWN ERC", -1e6, 0},
        {"Cos1 Cos2 Cos3 Pf1 Pf2 Pf3 CosE PFE", -1, 1},
    };
    const char *lamps[] = {"Shape9", "Shape2", "Shape3", "Shape4", "Shape5", "Shape6", "Shape7", "Shape8"};
    int frequenciesShown = 0;
    for (int round = 0; round < 24; ++round) {
        m_clock.advanceSeconds(3613);
        if (round % 3 == 0)
            m_server->changeFieldInput();
        for (const server::DeviceModel *device : analyzers)
            table.resetRow(device->entry().row);
        m_server->sendValueNotices();
        ASSERT_TRUE(waitFor([&] {
            return std::all_of(analyzers.begin(), analyzers.end(), [&](const server::DeviceModel *d) {
                return table.value(d->entry().row, 44) != -1.0;
            });
        })) << "value records did not arrive";
        for (const server::DeviceModel *device : analyzers) {
            const int row = device->entry().row;
            screen().setCaption(QStringLiteral("Edit1"), QString::number(row));
            renderTick();
            const std::string where = "row " + std::to_string(row) + " round " + std::to_string(round);
            for (const Range &range : ranges) {
                for (const QString &name : QString::fromLatin1(range.controls).split(u' ')) {
                    bool ok = false;
                    const double shown = screen().caption(name).toDouble(&ok);
                    EXPECT_TRUE(ok && shown >= range.low && shown <= range.high)
                        << name.toStdString() << " shows " << screen().caption(name).toStdString() << ", "
                        << where;
                }
            }
            // The frequency with its inputs, or nothing at all where no record can carry the word.
            const QString frequency = screen().caption(QStringLiteral("Fr"));
            const quint8 inputs = device->inputs();
            if (frequency == QStringLiteral("00.0") && inputs >= 4) {
                for (const char *lamp : lamps)
                    EXPECT_EQ(screen().colour(QString::fromLatin1(lamp)), colours::green)
                        << lamp << ", " << where;
                continue;
            }
            ++frequenciesShown;
            EXPECT_NEAR(frequency.toDouble(), 50.0, 0.2) << where << ", inputs " << int(inputs);
            for (int i = 0; i < 8; ++i)
                EXPECT_EQ(screen().colour(QString::fromLatin1(lamps[i])),
                          (inputs >> i) & 1 ? colours::red : colours::green)
                    << lamps[i] << ", " << where;
        }
    }
    // The nominal frequency with inputs 1 and 2 always fits; many other words do too.
    EXPECT_GE(frequenciesShown, 12);
}

// "Otomatik yenile" repeats the selected analyzer's request: the view follows the device's values, which
// stay plausible, without a click.
TEST_F(ClientServerTest, AutoRefreshFollowsTheAnalyzer)
{
    login();
    clickItem(QStringLiteral("Ana Pano Analizör No: 310001"));
    DeviceValueTable &table = m_client->valueTable();
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 36; })) << "enertum was not answered";
    screen().setChecked(QStringLiteral("chkyenile"), true);
    Ticker *refresh = m_environment.ticker(QStringLiteral("TFrmAna.TimerYenile"));
    ASSERT_TRUE(refresh && refresh->isActive());
    QStringList shown;
    for (int i = 0; i < 6; ++i) {
        const double before = table.value(1, 6);
        m_clock.advanceSeconds(5);
        refresh->fire();
        ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 36 && table.value(1, 6) != before; }))
            << "refresh " << i << " brought no new values";
        renderTick();
        const double voltage = screen().caption(QStringLiteral("V1")).toDouble();
        EXPECT_GE(voltage, 200.0);
        EXPECT_LE(voltage, 260.0);
        shown << screen().caption(QStringLiteral("akm1"));
    }
    shown.removeDuplicates();
    EXPECT_GT(shown.size(), 1) << "the current display never changed";
}

namespace
{

// The meter views read totals with the user's decimal comma, as a Turkish installation's client does.
class TurkishClientServerTest : public ClientServerTest
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
        ClientServerTest::SetUp();
    }
    void TearDown() override
    {
        ClientServerTest::TearDown();
        QLocale::setDefault(QLocale::c());
    }

    QString caption(const char *name) { return screen().caption(QString::fromLatin1(name)); }

    // The two status labels of a view once its period report arrived.
    QStringList classesAfter(const char *button, const char *inductive, const char *capacitive)
    {
        screen().setCaption(QString::fromLatin1(inductive), QString());
        clickButton(QString::fromLatin1(button));
        EXPECT_TRUE(waitFor([&] { return !caption(inductive).isEmpty(); }))
            << button << " was not answered: "
            << screen().lines(QStringLiteral("TFrmhaberlesme.ListBox1")).join(u'|').right(600).toStdString();
        return {caption(inductive), caption(capacitive)};
    }
};

double numberOf(const QString &text)
{
    return QLocale(QLocale::Turkish, QLocale::Turkey).toDouble(text);
}

} // namespace

TEST_F(TurkishClientServerTest, MeterReadingFillsEveryDisplayOfTheCodeTable)
{
    login();
    clickItem(QStringLiteral("TEDAŞ Sayaç Okuyucu No: 530001"));
    m_environment.queueAnswer(false);
    clickButton(QStringLiteral("VrShadowButton13"));
    ASSERT_TRUE(waitFor([this] { return !caption("akimuyari").isEmpty() && !caption("SayacKap").isEmpty(); }))
        << "the readout did not arrive";
    for (const ReadoutCodes::Row &row : ReadoutCodes::table)
        EXPECT_FALSE(caption(row.target).isEmpty()) << row.target;

    // Totals and tariff registers as a meter prints them; the totals with the comma of the locale.
    const QRegularExpression total(QStringLiteral("^\\d{6},\\d{2}$"));
    const QRegularExpression tariff(QStringLiteral("^\\d{6}\\.\\d{2}$"));
    for (const char *name :
         {"Rzsycakttop", "Rzsycindtop", "Rzsyckaptop", "tplaktif", "tplinduktif", "tplkapasitif"})
        EXPECT_TRUE(total.match(caption(name)).hasMatch()) << name << " " << caption(name).toStdString();
    for (const char *name : {"RzsycT1", "RzsycT2", "RzsycT3", "t1ak", "t2ak", "t3ak", "t1ind", "t2ind",
                             "t3ind", "t1kap", "t2kap", "t3kap"})
        EXPECT_TRUE(tariff.match(caption(name)).hasMatch()) << name << " " << caption(name).toStdString();
    const double active = numberOf(caption("Rzsycakttop"));
    const double inductive = numberOf(caption("Rzsycindtop"));
    const double capacitive = numberOf(caption("Rzsyckaptop"));
    EXPECT_GT(active, 1000.0);
    EXPECT_GT(inductive, 0.0);
    EXPECT_LT(inductive, active * 0.3);
    EXPECT_LT(capacitive, inductive);
    const double tariffs =
        caption("RzsycT1").toDouble() + caption("RzsycT2").toDouble() + caption("RzsycT3").toDouble();
    EXPECT_NEAR(tariffs, active, 0.05);

    EXPECT_EQ(caption("Sayacserino"), QStringLiteral("00530001"));
    EXPECT_EQ(caption("syctarih"), QStringLiteral("26-03-14"));
    EXPECT_EQ(caption("sycsaat"), QStringLiteral("12:00:00"));
    EXPECT_EQ(caption("sycgun"), QStringLiteral("Cumartesi"));
    EXPECT_EQ(caption("pildurumu"), QStringLiteral("DOLU"));
    const QRegularExpression date(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d$"));
    const QRegularExpression dateTime(QStringLiteral("^\\d\\d-\\d\\d-\\d\\d,\\d\\d:\\d\\d$"));
    const QRegularExpression count(QStringLiteral("^\\d{1,3}$"));
    for (const char *name : {"uretimtarihi", "kalibtarihi"})
        EXPECT_TRUE(date.match(caption(name)).hasMatch()) << name << " " << caption(name).toStdString();
    for (const char *name : {"tarifedegistarihi", "govdetarihi", "klemenstarihi"})
        EXPECT_TRUE(dateTime.match(caption(name)).hasMatch()) << name << " " << caption(name).toStdString();
    for (const char *name : {"klemesacilmaadedi", "enyuksekolcu", "demansifilanma", "faz1kesilme",
                             "faz2kesilme", "faz3kesilme", "ucfazbirdenkesilme", "gerilimuyari", "akimuyari"})
        EXPECT_TRUE(count.match(caption(name)).hasMatch()) << name << " " << caption(name).toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{3}\\.\\d{3}$")).match(caption("Demand")).hasMatch());

    // The utility's period report came with the reading, and the detail view shows its ratios.
    ASSERT_TRUE(waitFor([this] { return !caption("lblsycindurum").isEmpty(); }));
    EXPECT_EQ(caption("indyuzde"), caption("RzLEDsycinoran"));
    EXPECT_EQ(caption("kapyuzde"), caption("RzLEDsyckaporan"));
    EXPECT_FALSE(caption("indyuzde").isEmpty());
    m_client->windows().main().resize(1280, 800);
    m_client->windows().main().grab().save(QStringLiteral("e2e-meter.png"));
}

TEST_F(TurkishClientServerTest, PeriodReportsClassifyAsARealInstallationWould)
{
    login();
    QMap<QString, QStringList> classes;
    for (const char *item : {"Ana Pano Analizör No: 310001", "Soğuk Hava Deposu Şalt Odası No: 310002"}) {
        clickItem(QString::fromUtf8(item));
        // The values come first; a report in the same chunk behind them would be swallowed with them.
        ASSERT_TRUE(waitFor([this] { return m_client->valueTable().slotCursor() == 36; }));
        classes[QString::fromUtf8(item)] = classesAfter("VrShadowButton9", "inddurum", "Kapdurum");
    }
    clickItem(QStringLiteral("TEDAŞ Sayaç Okuyucu No: 530001"));
    classes[QStringLiteral("meter")] = classesAfter("VrShadowButton12", "lblsycindurum", "lblsyckapdurum");
    int normal = 0;
    int penalty = 0;
    for (auto it = classes.cbegin(); it != classes.cend(); ++it) {
        std::cout << it.key().toStdString() << ": " << it.value().join(u' ').toStdString() << "\n";
        normal += it.value().count(QStringLiteral("NORMAL"));
        penalty += it.value().count(QStringLiteral("CEZA"));
    }
    EXPECT_EQ(penalty, 1);
    EXPECT_GE(normal, 4);
}

TEST_F(ClientServerTest, InputNoticeRaisesTheAlarmAndItsHornUntilClosed)
{
    restartServer({0, 1, 0});
    login();
    screen().setChecked(QStringLiteral("chkinpuuyari"), true);
    ASSERT_TRUE(waitFor([this] { return screen().isVisible(QStringLiteral("Tfrmuyari")); }))
        << "no input notice arrived";
    const QString text = screen().caption(QStringLiteral("Tfrmuyari.label1"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("310001 ")) || text.startsWith(QStringLiteral("310002 ")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral(" serinolu cihazda \rinput durumu değişme alarmı")));
    // Each lamp is red or green with its text, never the grey of an alarm not yet raised.
    for (const char *lamp :
         {"Tfrmuyari.Shape9", "Tfrmuyari.Shape1", "Tfrmuyari.Shape2", "Tfrmuyari.Shape3"}) {
        const Colour c = screen().colour(QString::fromLatin1(lamp));
        EXPECT_TRUE(c == colours::red || c == colours::green) << lamp;
    }
    Ticker *horn = m_environment.ticker(QStringLiteral("Tfrmuyari.Timer1"));
    ASSERT_TRUE(horn->isActive());
    horn->fire();
    EXPECT_EQ(m_environment.takePlays(), QStringList{QStringLiteral("AirHornL.wav")});
    clickButton(QStringLiteral("Tfrmuyari.Button1"));
    EXPECT_FALSE(screen().isVisible(QStringLiteral("Tfrmuyari")));
    EXPECT_FALSE(horn->isActive());
    EXPECT_FALSE(m_environment.sounding());
}

TEST_F(ClientServerTest, NewMessageShowsTheLinkAndTheWindowListsIt)
{
    restartServer({0, 0, 1});
    login();
    // The simulated messages go to each user in turn.
    ASSERT_TRUE(waitFor([this] { return screen().isVisible(QStringLiteral("RzURLLabel1")); }))
        << "no new-message notice arrived";
    EXPECT_EQ(screen().caption(QStringLiteral("LblMesaj")), QStringLiteral("Yeni Mesajınız Var..."));
    clickButton(QStringLiteral("RzURLLabel1"));
    EXPECT_TRUE(screen().isVisible(QStringLiteral("TFrmMesajlar")));
    const QString list = QStringLiteral("TFrmMesajlar.RzListBox1");
    ASSERT_TRUE(waitFor([&] { return screen().lines(list).size() >= 4; })) << "no messages arrived";
    const QStringList lines = screen().lines(list);
    // The three waiting messages of the demo, then the new one.
    EXPECT_EQ(lines.first(), QStringLiteral("Hoş geldiniz"));
    EXPECT_EQ(lines.at(3), QStringLiteral("Gerilim dalgalanması"));
    EXPECT_EQ(screen().caption(QStringLiteral("TFrmMesajlar.RichEdit1")),

              QStringLiteral("Korvel tanıtım sunucusuna bağlandınız. Cihazlar benzetimdir."));
    m_client->windows().messages().grab().save(QStringLiteral("e2e-messages.png"));
    // Asking again lists nothing twice: the pong behind the request comes with no message before it.
    const qsizetype listed = screen().lines(list).size();
    clickButton(QStringLiteral("TFrmMesajlar.BitBtn2"));
    m_environment.ticker(QStringLiteral("TFrmAna.TimerPing"))->fire();
    ASSERT_TRUE(waitFor([this] { return screen().caption(QStringLiteral("LblMesaj")) == u"Pong"; }));
    EXPECT_EQ(screen().lines(list).size(), listed);
}

TEST_F(ClientServerTest, WrongPasswordBringsTheLoginWindowBack)
{
    screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    screen().setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("yanlis"));
    screen().setCaption(QStringLiteral("TFrmGiris.edtport"), QString::number(m_server->port()));
    clickButton(QStringLiteral("TFrmGiris.suiButton1"));
    ASSERT_TRUE(waitFor([this] {
        return screen().caption(QStringLiteral("TFrmGiris.LABEL6")) == u"Kullanıcı adı veya şifre hatalı";
    }));
    EXPECT_TRUE(screen().isVisible(QStringLiteral("TFrmGiris")));
    EXPECT_EQ(screen().caption(QStringLiteral("TFrmGiris.Edit1")), QStringLiteral("demo"));
    EXPECT_EQ(screen().caption(QStringLiteral("TFrmGiris.Edit4")), QString());
    EXPECT_TRUE(screen().isEnabled(QStringLiteral("TFrmGiris.suiButton1")));
    EXPECT_EQ(m_client->windows().main().windowTitle(), QStringLiteral("FrmAna"));
    EXPECT_FALSE(m_environment.ticker(QStringLiteral("TFrmAna.TimerReconnect"))->isActive());
    EXPECT_EQ(m_environment.setting(QStringLiteral("giris/kullanici")), QString());
    // The right password then logs in from the same window.
    login();
    EXPECT_EQ(m_environment.setting(QStringLiteral("giris/kullanici")), QStringLiteral("demo"));
}

TEST_F(ClientServerTest, ReconnectsByItselfWhenTheServerComesBack)
{
    login();
    clickItem(QStringLiteral("Ana Pano Analizör No: 310001"));
    DeviceValueTable &table = m_client->valueTable();
    ASSERT_TRUE(waitFor([&] { return table.slotCursor() == 36; })) << "enertum was not answered";
    const quint16 port = m_server->port();
    Ticker *reconnect = m_environment.ticker(QStringLiteral("TFrmAna.TimerReconnect"));
    m_server.reset();
    ASSERT_TRUE(waitFor([&] { return reconnect->isActive(); })) << "the lost link was not noticed";
    EXPECT_EQ(screen().caption(QStringLiteral("LblMesaj")),
              QStringLiteral("Bağlantı koptu. Yeniden bağlanılıyor (1 s)"));
    // Still down: the attempt fails and the next one waits twice as long.
    reconnect->fire();
    ASSERT_TRUE(waitFor([&] { return reconnect->isActive(); }));
    EXPECT_EQ(screen().caption(QStringLiteral("LblMesaj")),
              QStringLiteral("Bağlantı koptu. Yeniden bağlanılıyor (2 s)"));

    m_server = std::make_unique<server::KorvelServer>(server::ServerConfig::demo(), m_clock, m_log);
    ASSERT_TRUE(m_server->listen(QHostAddress::LocalHost, port));
    table.resetRow(1);
    // The wait is counted down a second per tick.
    while (reconnect->isActive())
        reconnect->fire();
    ASSERT_TRUE(waitFor([&] { return table.value(1, 0) > 200; })) << "the values did not resume";
    EXPECT_EQ(m_client->windows().main().windowTitle(), QStringLiteral("<<<<<<<demo Bağlı.>>>>>>>>>"));
    EXPECT_EQ(itemCount(), 5);
}

// A server that answers every login and drops the link at once is not logged in to every second: the
// wait doubles after each drop, since no link stays up a minute. Two minutes, a tick a second.
TEST_F(ClientServerTest, AServerThatDropsEveryLoginGetsFewLogins)
{
    QTcpServer dropping;
    ASSERT_TRUE(dropping.listen(QHostAddress::LocalHost, 0));
    int logins = 0;
    QObject::connect(&dropping, &QTcpServer::newConnection, &dropping, [&] {
        while (QTcpSocket *socket = dropping.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [&logins, socket] {
                if (!socket->readAll().startsWith("kulsifre"))
                    return;
                ++logins;
                socket->write("cihazlar\x01G\x01VNA310\x01"
                              "A\x01"
                              "7\x01\xF4\xF4\xF4");
                socket->flush();
                socket->disconnectFromHost();
            });
        }
    });
    screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    screen().setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("demo"));
    screen().setCaption(QStringLiteral("TFrmGiris.edtport"), QString::number(dropping.serverPort()));
    clickButton(QStringLiteral("TFrmGiris.suiButton1"));
    Ticker *reconnect = m_environment.ticker(QStringLiteral("TFrmAna.TimerReconnect"));
    ASSERT_TRUE(waitFor([&] { return reconnect->isActive(); })) << "the dropped link was not noticed";
    for (int second = 0; second < 120; ++second) {
        if (reconnect->isActive()) {
            const int before = logins;
            reconnect->fire();
            // An attempt goes out when the wait is over: its login is answered and dropped in turn.
            if (!reconnect->isActive()) {
                ASSERT_TRUE(waitFor([&] { return logins > before && reconnect->isActive(); }));
            }
        }
    }
    // The first login and the attempts after 1, 2, 4, 8, 16, 32 and 60 s of waiting: 8 at most.
    EXPECT_LE(logins, 8);
    EXPECT_GE(logins, 6);
}

TEST_F(ClientServerTest, SilentServerIsDroppedAndTriedAgain)
{
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    screen().setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("demo"));
    screen().setCaption(QStringLiteral("TFrmGiris.edtport"), QString::number(silent.serverPort()));
    clickButton(QStringLiteral("TFrmGiris.suiButton1"));
    Ticker *wait = m_environment.ticker(QStringLiteral("TFrmAna.TimerCevap"));
    ASSERT_EQ(wait->interval(), 15000);
    ASSERT_TRUE(waitFor([&] { return wait->isActive() && silent.hasPendingConnections(); }));
    QTcpSocket *first = silent.nextPendingConnection();
    ASSERT_TRUE(waitFor([&] { return first->bytesAvailable() > 0; })) << "no login request";
    wait->fire();
    EXPECT_EQ(screen().caption(QStringLiteral("LblMesaj")),
              QStringLiteral("Sunucu yanıt vermiyor. Bağlantı koptu. Yeniden bağlanılıyor (1 s)"));
    EXPECT_EQ(m_client->windows().main().windowTitle(), QStringLiteral("FrmAna"));
    ASSERT_TRUE(waitFor([&] { return first->state() != QAbstractSocket::ConnectedState; }))
        << "the client kept the silent link";
    m_environment.ticker(QStringLiteral("TFrmAna.TimerReconnect"))->fire();
    ASSERT_TRUE(waitFor([&] { return silent.hasPendingConnections(); })) << "no reconnect attempt";
}

// The demo's way: the server in TLS with a self-signed certificate, the client with --tls and that
// certificate as its authority. The login, the device list and a command go through, and the command
// leaves its line in the audit log without the password.
TEST_F(ClientServerTest, OverTlsWithTheDemoCertificateALoginAndACommandLeaveTheirAuditLine)
{
    QTemporaryDir dir;
    const QString certificate = QStringLiteral(KORVEL_TEST_TLS_DIR "/self.pem");
    server::ServerConfig config = server::ServerConfig::demo();
    config.pace = {0, 0, 0};
    config.auditLog = dir.filePath(QStringLiteral("audit.log"));
    config.tls = {certificate, QStringLiteral(KORVEL_TEST_TLS_DIR "/self.key"), false};
    m_server.reset();
    m_server = std::make_unique<server::KorvelServer>(config, m_clock, m_log);
    ASSERT_TRUE(m_server->listen(QHostAddress::LocalHost, 0));
    m_client.reset();
    ServerAddress address;
    address.tls = true;
    address.authorityFile = certificate;
    m_client = std::make_unique<Client>(m_environment, m_link, address);
    m_client->start();

    login();
    EXPECT_EQ(m_client->windows().main().windowTitle(),
              QStringLiteral("<<<<<<<demo Bağlı. Güvenli bağlantı.>>>>>>>>>"));
    EXPECT_TRUE(m_environment.takeBoxes().isEmpty())
        << "a certificate the authority file names needs no question";

    clickItem(QStringLiteral("Ana Pano Analizör No: 310001"));
    ASSERT_TRUE(waitFor([&] { return m_client->valueTable().slotCursor() == 36; }))
        << "enertum was not answered";
    renderTick();
    screen().setChecked(QStringLiteral("VrPowerButton1"), true);
    m_environment.queueAnswer(true);
    clickButton(QStringLiteral("VrShadowButton4"));
    QFile audit(config.auditLog);
    ASSERT_TRUE(waitFor([&] { return audit.size() > 0; })) << "no audit line";
    ASSERT_TRUE(audit.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(audit.readAll());
    EXPECT_TRUE(line.contains(QStringLiteral("rolektifg"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("demo"))) << line.toStdString();
    EXPECT_EQ(line.count(QLatin1Char('\n')), 1) << line.toStdString();
}

// korvel-server with a self-signed certificate the client's authority never signed: refused with the
// reason, no question put to the user, nothing sent, and no reconnect counting down.
TEST_F(ClientServerTest, OverTlsAForeignSelfSignedCertificateIsRefusedWithoutAQuestion)
{
    server::ServerConfig config = server::ServerConfig::demo();
    config.pace = {0, 0, 0};
    config.tls = {QStringLiteral(KORVEL_TEST_TLS_DIR "/self2.pem"),
                  QStringLiteral(KORVEL_TEST_TLS_DIR "/self2.key"), false};
    m_server.reset();
    m_server = std::make_unique<server::KorvelServer>(config, m_clock, m_log);
    ASSERT_TRUE(m_server->listen(QHostAddress::LocalHost, 0));
    m_client.reset();
    ServerAddress address;
    address.tls = true;
    address.authorityFile = QStringLiteral(KORVEL_TEST_TLS_DIR "/self.pem");
    m_client = std::make_unique<Client>(m_environment, m_link, address);
    m_client->start();
    m_environment.takeBoxes();

    screen().setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    screen().setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("demo"));
    screen().setCaption(QStringLiteral("TFrmGiris.edtport"), QString::number(m_server->port()));
    clickButton(QStringLiteral("TFrmGiris.suiButton1"));
    ASSERT_TRUE(waitFor([this] {
        return screen().caption(QStringLiteral("TFrmGiris.LABEL6")) == QStringLiteral("Sertifika reddedildi");
    }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_environment.unansweredQuestion().isEmpty()) << "the user was asked to trust it";
    const QStringList boxes = m_environment.takeBoxes();
    ASSERT_EQ(boxes.size(), 1) << boxes.join(u'|').toStdString();
    EXPECT_TRUE(boxes.first().startsWith(QStringLiteral("Sunucunun sertifikası reddedildi")))
        << boxes.first().toStdString();
    EXPECT_FALSE(m_client->connection().isWaiting());
    EXPECT_FALSE(m_environment.ticker(QStringLiteral("TFrmAna.TimerReconnect"))->isActive());
    EXPECT_FALSE(m_environment.ticker(QStringLiteral("TFrmGiris.Timer1"))->isActive());
    EXPECT_EQ(itemCount(), 0);
}
