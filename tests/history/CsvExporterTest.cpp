#include "history/CsvExporter.h"
#include "HistoryTestApp.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"
#include "history/Quantities.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace korvel::history;

TEST(CsvExporter, SeparatorAndDecimalMarkFollowTheLocale)
{
    const auto tr = CsvExporter::formatFor(QLocale(QStringLiteral("tr_TR")));
    EXPECT_EQ(tr.separator, u';');
    EXPECT_EQ(tr.decimalMark, u',');
    const auto c = CsvExporter::formatFor(QLocale::c());
    EXPECT_EQ(c.separator, u',');
    EXPECT_EQ(c.decimalMark, u'.');
}

TEST(CsvExporter, FieldsAndNumbers)
{
    const struct {
        const char *text;
        char16_t separator;
        const char *field;
    } fields[] = {
        {"cos φ", u',', "cos φ"},
        {"a,b", u',', "\"a,b\""},
        {"a,b", u';', "a,b"},
        {"a;b", u';', "\"a;b\""},
        {"say \"hi\"", u',', "\"say \"\"hi\"\"\""},
        {"two\r\nlines", u';', "\"two\r\nlines\""},
    };
    for (const auto &f : fields)
        EXPECT_EQ(CsvExporter::field(QString::fromUtf8(f.text), f.separator), QString::fromUtf8(f.field))
            << f.text;
    // A value decoded from a single prints as that single; a decimal from a value record as itself.
    EXPECT_EQ(CsvExporter::number(double(231.1f), u'.'), QStringLiteral("231.1"));
    EXPECT_EQ(CsvExporter::number(12345.678, u','), QStringLiteral("12345,678"));
    EXPECT_EQ(CsvExporter::number(230, u','), QStringLiteral("230"));
    EXPECT_EQ(CsvExporter::number(-0.5, u'.'), QStringLiteral("-0.5"));
    EXPECT_EQ(CsvExporter::number(1e7, u'.'), QStringLiteral("10000000"));
}

TEST(CsvExporter, WritesHeaderAndRowsWithEmptyCellsForMissingValues)
{
    historyTestApp();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("h.sqlite"));
    const QDateTime t0(QDate(2026, 1, 15), QTime(10, 30, 0));
    {
        HistoryStore store(file);
        std::vector<double> values(quantities().size(), std::nan(""));
        values[0] = 230.5;
        values[std::size_t(quantityIndex(QStringLiteral("cos φ")))] = double(0.95f);
        store.addSample({t0.toMSecsSinceEpoch(), QStringLiteral("12001"), values});
        store.addSample({t0.toMSecsSinceEpoch(), QStringLiteral("12002"), values});
        store.flush(t0);
    }
    HistoryReader reader(file);
    ASSERT_TRUE(reader.open());
    const auto exported = [&](const QString &device, CsvExporter::Format format) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_TRUE(
            CsvExporter::write(reader, out, device, 0, std::numeric_limits<qint64>::max(), format).isEmpty());
        EXPECT_TRUE(out.data().startsWith("\xEF\xBB\xBF")) << "byte-order mark";
        return QString::fromUtf8(out.data().mid(3));
    };
    const QString csv =
        exported(QStringLiteral("12001"), CsvExporter::formatFor(QLocale(QStringLiteral("tr_TR"))));
    const QStringList lines = csv.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3) << csv.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Zaman;Cihaz;V1 (V);V2 (V);"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral(";cos φ;PF;f (Hz);Girişler")));
    EXPECT_EQ(lines[0].count(u';'), int(quantities().size()) + 1);
    const QStringList cells = lines[1].split(u';');
    EXPECT_EQ(cells[0], QStringLiteral("2026-01-15T10:30:00"));
    EXPECT_EQ(cells[1], QStringLiteral("12001"));
    EXPECT_EQ(cells[2], QStringLiteral("230,5"));
    EXPECT_EQ(cells[3], QString());
    EXPECT_EQ(cells[2 + quantityIndex(QStringLiteral("cos φ"))], QStringLiteral("0,95"));
    EXPECT_EQ(lines[2], QString());
    // A device with no data: the header alone.
    EXPECT_EQ(
        exported(QStringLiteral("55555"), CsvExporter::formatFor(QLocale::c())).count(QStringLiteral("\r\n")),
        1);
}

// Events as a table: the kind by its name, the text quoted where it holds the separator, the
// acknowledgement in the last two columns; both decimal-mark conventions.
TEST(CsvExporter, WritesEventsWithTheirAcknowledgement)
{
    const QDateTime t(QDate(2026, 1, 15), QTime(10, 30, 5));
    std::vector<Event> events(2);
    events[0] = {t.toMSecsSinceEpoch(),  QStringLiteral("310002"),         EventKind::Input,
                 QStringLiteral("5"),    QStringLiteral("Girişler: 1, 3"), 2,
                 QStringLiteral("ayşe"), t.addSecs(60).toMSecsSinceEpoch()};
    events[1] = {t.toMSecsSinceEpoch(), QString(), EventKind::LinkLost,
                 QStringLiteral("Sunucu yanıt vermiyor"), QString()};
    const struct {
        const char *locale;
        const char *expected;
    } cases[] = {
        {"C", "\xEF\xBB\xBFZaman,Cihaz,Tür,Metin,Onaylayan,Onay zamanı\r\n"
              "2026-01-15T10:30:05,310002,Giriş alarmı,\"Girişler: 1, 3\",ayşe,2026-01-15T10:31:05\r\n"
              "2026-01-15T10:30:05,,Bağlantı koptu,Sunucu yanıt vermiyor,,\r\n"},
        {"tr_TR", "\xEF\xBB\xBFZaman;Cihaz;Tür;Metin;Onaylayan;Onay zamanı\r\n"
                  "2026-01-15T10:30:05;310002;Giriş alarmı;Girişler: 1, 3;ayşe;2026-01-15T10:31:05\r\n"
                  "2026-01-15T10:30:05;;Bağlantı koptu;Sunucu yanıt vermiyor;;\r\n"},
    };
    for (const auto &c : cases) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_EQ(CsvExporter::writeEvents(out, events,
                                           CsvExporter::formatFor(QLocale(QString::fromLatin1(c.locale)))),
                  QString());
        EXPECT_EQ(out.data().toStdString(), std::string(c.expected)) << c.locale;
    }
}
