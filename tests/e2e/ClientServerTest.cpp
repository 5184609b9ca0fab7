#include "Clock.h"
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
#include "ui/widgets/GroupBar.h"
#include "values/DeviceValueTable.h"

#include "TestApplication.h"
#include <QAbstractButton>

#include <QApplication>
#include <QDeadlineTimer>
#include <QLocale>
#include <QMap>
#include <QRegularExpression>
#include <QTimeZone>
#include <gtest/gtest.h>

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
