#include "metering/ReadoutCodes.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace korvel;

namespace
{
// What one extraction set, by target.
struct Extraction {
    QMap<QString, QString> set;
    bool complete = false;
};

Extraction extract(const QString &meterText, const QString &detailText)
{
    Extraction e;
    e.complete = ReadoutCodes::extract(meterText, detailText, [&e](const char *target, const QString &text) {
        e.set.insert(QString::fromLatin1(target), text);
    });
    return e;
}

Extraction extract(const QString &both)
{
    return extract(both, both);
}
} // namespace

TEST(ReadoutCodes, TableCoversEveryDisplayOnce)
{
    QStringList targets;
    for (const auto &row : ReadoutCodes::table)
        targets << QString::fromLatin1(row.target);
    targets.removeDuplicates();
    EXPECT_EQ(targets.size(), 38);
}

TEST(ReadoutCodes, ExtractionRules)
{
    const struct {
        const char *readout;
        const char *target;
        const char *expected; // nullptr: left untouched
    } cases[] = {
        {"1.8.0(012345.678*kWh)\r\n", "Rzsycakttop", "012345.67"},
        {"1.8.0(012345.678*kWh)\r\n", "tplaktif", "012345.67"},
        // Shorter than the width: the unit and the parenthesis come along, never trimmed.
        {"1.8.0(12.5*kWh)\r\n", "Rzsycakttop", "12.5*kWh)"},
        {"1.8.0(12", "Rzsycakttop", "12"},
        {"1.8.0(", "Rzsycakttop", ""},
        // A plain substring search: "11.8.0(" holds "1.8.0(".
        {"11.8.0(999)", "Rzsycakttop", "999)"},
        {"96.71(06-01-15,10:30)(03)\r\n", "klemenstarihi", "06-01-15,10:30"},
        {"96.71(06-01-15,10:30)(03)\r\n", "klemesacilmaadedi", "03"},
        {"96.71(06-01-15,10:30)(", "klemesacilmaadedi", ""},
        {"96.71(short)", "klemesacilmaadedi", ""},
        {"96.7.1(4)\r\n", "faz1kesilme", "4"},
        {"96.7.1(4", "faz1kesilme", ""},
        {"96.7.1()", "faz1kesilme", ""},
        {"96.77.4(12)(x)", "gerilimuyari", "12"},
        {"96.6.1(1)", "pildurumu", "DOLU"},
        {"96.6.1(0)", "pildurumu", "BOŞ"},
        {"96.6.1(2)", "pildurumu", nullptr},
        {"96.6.1(", "pildurumu", nullptr},
        {"0.9.5(3)", "sycgun", "Çarşamba"},
        {"0.9.5(1)", "sycgun", "Pazartesi"},
        {"0.9.5(7)", "sycgun", "Pazar"},
        {"0.9.5(0)", "sycgun", nullptr},
        {"0.9.5(8)", "sycgun", nullptr},
        {"0.9.5(9)", "sycgun", nullptr},
        {"1.6.0(012.345*kW)(26-01-05,10:15)", "Demand", "012.345"},
        {"0.8.0(15*min)", "enyuksekolcu", "15"},
        {"0.0.0(00123456)", "Sayacserino", "00123456"},
        {"0.0.0(00123456)", "syctarih", nullptr},
    };
    for (const auto &c : cases) {
        const Extraction e = extract(QString::fromUtf8(c.readout));
        const QString target = QString::fromLatin1(c.target);
        EXPECT_TRUE(e.complete) << c.readout;
        if (c.expected)
            EXPECT_EQ(e.set.value(target, QStringLiteral("<untouched>")), QString::fromUtf8(c.expected))
                << c.readout << " -> " << c.target;
        else
            EXPECT_FALSE(e.set.contains(target)) << c.readout << " -> " << c.target;
    }
}

TEST(ReadoutCodes, FirstOccurrenceWinsAndEachMemoFeedsItsRows)
{
    const Extraction e = extract(QStringLiteral("1.8.0(111111111)1.8.0(222222222)"),
                                 QStringLiteral("1.8.0(333333333)5.8.1(444444444)"));
    EXPECT_EQ(e.set.value(QStringLiteral("Rzsycakttop")), QStringLiteral("111111111"));
    EXPECT_EQ(e.set.value(QStringLiteral("tplaktif")), QStringLiteral("333333333"));
    EXPECT_EQ(e.set.value(QStringLiteral("t1ind")), QStringLiteral("444444444"));
    EXPECT_FALSE(e.set.contains(QStringLiteral("RzsycT1")));
}

// A weekday that is not a digit ends the readout there: later rows are not applied.
TEST(ReadoutCodes, WeekdayThatIsNoDigitStopsTheRowsAfterIt)
{
    for (const char *day : {"0.9.5(x)", "0.9.5(", "0.9.5(\xd9\xa3)"}) {
        // The day code stands last, so the rows after it would find their codes earlier in the text.
        const Extraction e =
            extract(QStringLiteral("0.9.1(26-01-15)96.1.3(19-03-14)") + QString::fromUtf8(day));
        EXPECT_FALSE(e.complete) << day;
        EXPECT_EQ(e.set.value(QStringLiteral("syctarih")), QStringLiteral("26-01-15"));
        EXPECT_FALSE(e.set.contains(QStringLiteral("sycgun")));
        EXPECT_FALSE(e.set.contains(QStringLiteral("uretimtarihi")));
    }
}

// The codes are found in one pass over the parentheses; the result must be that of a plain search for
// each code, also where codes overlap, repeat or stand inside longer codes.
TEST(ReadoutCodes, OnePassFindsWhatAPlainSearchFinds)
{
    const char *const pieces[] = {"1.8.0(",  "8.8.",     "0(",   "96.7", "1(",     ".1.", "96.71(",
                                  "11.8.1(", "(",        ")",    "0",    "1",      "2",   "8",
                                  ".",       "96.77.4(", "5.8.", "\r\n", "0.0.0(", "x"};
    quint32 seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    int compared = 0;
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = int(next() % 60);
        for (int i = 0; i < length; ++i)
            text += QString::fromLatin1(pieces[next() % std::size(pieces)]);
        const Extraction e = extract(text);
        if (!e.complete)
            continue;
        for (const auto &row : ReadoutCodes::table) {
            if (row.rule != ReadoutCodes::Rule::width)
                continue;
            const QString code = QString::fromUtf16(row.code);
            const qsizetype at = text.indexOf(code);
            const QString target = QString::fromLatin1(row.target);
            if (at < 0) {
                EXPECT_FALSE(e.set.contains(target)) << text.toStdString() << " " << row.target;
            } else {
                EXPECT_EQ(e.set.value(target), text.mid(at + code.size(), row.width)) << text.toStdString();
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 1000);
}
