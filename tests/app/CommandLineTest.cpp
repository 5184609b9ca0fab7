#include "app/CommandLine.h"
#include "MemoryLink.h"
#include "ScenarioEnvironment.h"
#include "TestApplication.h"
#include "app/Client.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "ui/ClientWindows.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace
{
CommandLine::Result parse(QStringList arguments)
{
    arguments.prepend(QStringLiteral("korvel"));
    return CommandLine::parse(arguments);
}
} // namespace

TEST(CommandLine, HelpVersionAndBadValuesEndTheProgram)
{
    test::application("app_tests");
    const struct {
        QStringList arguments;
        int exitCode;
        const char *textContains;
    } cases[] = {
        {{QStringLiteral("--help")}, 0, "--traffic-log"},
        {{QStringLiteral("--version")}, 0, ""},
        {{QStringLiteral("--port"), QStringLiteral("abc")}, 2, "abc"},
        {{QStringLiteral("--port"), QStringLiteral("0")}, 2, "1 to 65535"},
        {{QStringLiteral("--port"), QStringLiteral("65536")}, 2, "65536"},
        {{QStringLiteral("--port")}, 2, "port"},
        {{QStringLiteral("--server"), QStringLiteral(" ")}, 2, "--server"},
        {{QStringLiteral("--bogus")}, 2, "bogus"},
        {{QStringLiteral("extra")}, 2, "extra"},
        {{QStringLiteral("--export-csv"), QStringLiteral("a.csv")}, 2, "--device"},
        {{QStringLiteral("--device"), QStringLiteral("12001")}, 2, "--export-csv"},
        {{QStringLiteral("--export-csv"), QStringLiteral("a.csv"), QStringLiteral("--device"),
          QStringLiteral("1"), QStringLiteral("--from"), QStringLiteral("yesterday")},
         2,
         "yesterday"},
        {{QStringLiteral("--export-csv"), QStringLiteral("a.csv"), QStringLiteral("--device"),
          QStringLiteral("1"), QStringLiteral("--from"), QStringLiteral("2026-01-16"), QStringLiteral("--to"),
          QStringLiteral("2026-01-15")},
         2,
         "later"},
        {{QStringLiteral("--history"), QStringLiteral("")}, 2, "--history"},
        {{QStringLiteral("--report"), QStringLiteral("a.pdf")}, 2, "--month"},
        {{QStringLiteral("--month"), QStringLiteral("2026-11")}, 2, "--report"},
        {{QStringLiteral("--report"), QStringLiteral("a.pdf"), QStringLiteral("--month"),
          QStringLiteral("11.2026")},
         2,
         "11.2026"},
        {{QStringLiteral("--report"), QStringLiteral("a.pdf"), QStringLiteral("--month"),
          QStringLiteral("2026-11"), QStringLiteral("--export-csv"), QStringLiteral("a.csv"),
          QStringLiteral("--device"), QStringLiteral("1")},
         2,
         "one at a time"},
        // The events need no device; both exports at once are refused.
        {{QStringLiteral("--export-events"), QStringLiteral("e.csv")}, -1, ""},
        {{QStringLiteral("--export-events"), QStringLiteral("e.csv"), QStringLiteral("--export-csv"),
          QStringLiteral("a.csv"), QStringLiteral("--device"), QStringLiteral("1")},
         2,
         "one at a time"},
        {{QStringLiteral("--help")}, 0, "--ca-file"},
        {{QStringLiteral("--ca-file"), QStringLiteral("/nonexistent/ca.pem")}, 2, "/nonexistent/ca.pem"},
        {{}, -1, ""},
    };
    for (const auto &c : cases) {
        const CommandLine::Result result = parse(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(result.text.contains(QString::fromUtf8(c.textContains)))
            << c.arguments.join(u' ').toStdString() << ": " << result.text.toStdString();
    }
}

// --device goes to the export once and to the report as often as it is given.
TEST(CommandLine, DevicesOfTheExportAndOfTheReport)
{
    test::application("app_tests");
    const CommandLine::Result report =
        parse({QStringLiteral("--report"), QStringLiteral("a.pdf"), QStringLiteral("--device"),
               QStringLiteral("310001"), QStringLiteral("--month"), QStringLiteral("2026-11"),
               QStringLiteral("--device"), QStringLiteral("310002")});
    ASSERT_EQ(report.exitCode, -1) << report.text.toStdString();
    ASSERT_TRUE(report.startup.report);
    EXPECT_EQ(report.startup.report->month, QDate(2026, 11, 1));
    EXPECT_EQ(report.startup.devices, QStringList({QStringLiteral("310001"), QStringLiteral("310002")}));
    const CommandLine::Result csv = parse({QStringLiteral("--export-csv"), QStringLiteral("a.csv"),
                                           QStringLiteral("--device"), QStringLiteral("310001")});
    ASSERT_TRUE(csv.startup.csvExport);
    EXPECT_EQ(csv.startup.csvExport->device, QStringLiteral("310001"));
}

// The options fill the login window and open the traffic log, whose menu entry stays hidden.
TEST(CommandLine, FillsTheLoginWindowAndShowsTheTrafficLog)
{
    test::application("app_tests");
    const CommandLine::Result result =
        parse({QStringLiteral("--server"), QStringLiteral("veri.example.net"), QStringLiteral("--port"),
               QStringLiteral("17900"), QStringLiteral("--traffic-log")});
    ASSERT_EQ(result.exitCode, -1) << result.text.toStdString();
    ScenarioEnvironment environment;
    MemoryLink link;
    Client client(environment, link, result.startup.address);
    client.start();
    result.startup.applyTo(client);
    Screen &screen = client.windows().screen();
    EXPECT_EQ(screen.caption(QStringLiteral("TFrmGiris.Servername")), QStringLiteral("veri.example.net"));
    EXPECT_EQ(screen.caption(QStringLiteral("TFrmGiris.edtport")), QStringLiteral("17900"));
    EXPECT_TRUE(screen.isVisible(QStringLiteral("TFrmhaberlesme")));
    EXPECT_FALSE(screen.isVisible(QStringLiteral("Haberlesme1")));

    screen.setCaption(QStringLiteral("TFrmGiris.Edit1"), QStringLiteral("demo"));
    screen.setCaption(QStringLiteral("TFrmGiris.Edit4"), QStringLiteral("demo"));
    client.connection().connectClicked();
    EXPECT_EQ(link.lastHost(), QStringLiteral("veri.example.net"));
    EXPECT_EQ(link.lastPort(), 17900);
}
