#include "values/NumberFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace korvel;

namespace
{

struct MaskCase {
    double value;
    const char16_t *mask;
    const char16_t *text;
};

} // namespace

TEST(NumberFormat, MaskKeepsLeadingZerosAndRoundsTheBinaryValueOnce)
{
    const MaskCase cases[] = {
        {5.27, u"000.0", u"005.3"},
        {5.27, u"00.000", u"05.270"},
        {1000, u"000.0", u"1000.0"},
        {-1, u"000.0", u"-001.0"},
        {-1, u"0.000", u"-1.000"},
        {999, u"00.000", u"999.000"},
        {999.9996, u"00.000", u"1000.000"},
        {1250.4, u"0000", u"1250"},
        {1000.5, u"0000", u"1001"},
        {-1000.5, u"0000", u"-1001"},
        {99999.9994, u"0.000", u"99999.999"},
        {99999.9996, u"0.000", u"100000.000"},
        // Binary values just below the half-way point round down: no rounding to 15 digits first.
        {1.005, u"0.00", u"1.00"},
        {14.995, u"0.00", u"14.99"},
        {-14.995, u"0.00", u"-14.99"},
        {0.285, u"0.00", u"0.28"},
        // Just above it (99999.99950000000536), and exactly on it (away from zero).
        {99999.9995, u"0.000", u"100000.000"},
        {0.125, u"0.00", u"0.13"},
        {-0.125, u"0.00", u"-0.13"},
        {0.375, u"0.0", u"0.4"},
        {9.5, u"0", u"10"},
        {2.5, u"0", u"3"},
        {0.5, u"0", u"1"},
        {0.05, u"00.0", u"00.1"},
        {0.0005, u"0.000", u"0.001"},
        {50.0, u"00.0", u"50.0"},
        {123456789.123, u"0.0", u"123456789.1"},
        // Every digit is the value's own, also past 15 significant digits.
        {123456789012345678.0, u"0.00", u"123456789012345680.00"},
        {0.1, u"0.00000000000000000000", u"0.10000000000000000555"},
        {1.5, u"0.0000000000", u"1.5000000000"},
        // Anything that rounds to zero shows no sign.
        {-0.0004, u"0.000", u"0.000"},
        {-0.0005, u"0.000", u"-0.001"},
        {-0.0, u"0.0", u"0.0"},
        {0, u"00.0", u"00.0"},
        {-0.4, u"0", u"0"},
        {1e-300, u"0.000", u"0.000"},
        // Out of the mask's reach: general format.
        {1e18, u"0.0", u"1E18"},
        {-2.5e20, u"0000", u"-2.5E20"},
        {999999999999999999.0 / 10, u"0", u"100000000000000000"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " with " << QString::fromUtf16(c.mask).toStdString());
        EXPECT_EQ(formatMask(c.value, QStringView(c.mask), u'.'), QString::fromUtf16(c.text));
    }
}

TEST(NumberFormat, GeneralIsShortestWithFifteenDigitsAndDelphiExponents)
{
    const struct {
        double value;
        const char16_t *text;
    } cases[] = {
        {1.0005, u"1.0005"},
        {220.5, u"220.5"},
        {-1, u"-1"},
        {8412227, u"8412227"},
        {10.5, u"10.5"},
        {0, u"0"},
        {-0.0, u"0"},
        {1.0 / 3, u"0.333333333333333"},
        {2.0 / 3, u"0.666666666666667"},
        {double(1.1f), u"1.10000002384186"},
        {123456789012345.6, u"123456789012346"},
        {999999999999999, u"999999999999999"},
        {999999999999999.9, u"1E15"},
        {1e15, u"1E15"},
        {1.5e20, u"1.5E20"},
        {-1.25e-10, u"-1.25E-10"},
        {0.0001, u"0.0001"},
        {0.00012345, u"0.00012345"},
        {0.00001, u"1E-5"},
        {std::ldexp(1.0, 128), u"3.40282366920938E38"},
        {std::numeric_limits<double>::denorm_min(), u"4.94065645841247E-324"},
        {std::nan(""), u"NAN"},
        {INFINITY, u"INF"},
        {-INFINITY, u"-INF"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatGeneral(c.value, u'.'), QString::fromUtf16(c.text)) << c.value;
}

TEST(NumberFormat, UsesTheGivenDecimalSeparator)
{
    EXPECT_EQ(formatMask(5.27, u"000.0", u','), QStringLiteral("005,3"));
    EXPECT_EQ(formatMask(-1, u"00.000", u','), QStringLiteral("-01,000"));
    EXPECT_EQ(formatGeneral(10.5, u','), QStringLiteral("10,5"));
    EXPECT_EQ(formatGeneral(0.0001, u','), QStringLiteral("0,0001"));
    EXPECT_EQ(formatGeneral(1.5e20, u','), QStringLiteral("1,5E20"));

    QString line = QStringLiteral("toplam:");
    appendGeneral(line, 220.5, u',');
    EXPECT_EQ(line, QStringLiteral("toplam:220,5"));
}
