#include "link/Cp1254.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace korvel;

TEST(Cp1254, EveryByteRoundTripsThroughOneCharacter)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = cp1254::decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(cp1254::encode(text), all);
    // Distinct bytes give distinct characters.
    QSet<QChar> seen(text.begin(), text.end());
    EXPECT_EQ(seen.size(), 256);
}

TEST(Cp1254, TurkishLettersAndControlBytes)
{
    EXPECT_EQ(cp1254::decode("\xF0\xFD\xFE\xDD\xDE\xD0"), QStringLiteral("ğışİŞĞ"));
    EXPECT_EQ(cp1254::charFor(0xF4), QChar(u'ô'));
    EXPECT_EQ(cp1254::charFor(0x01), QChar(0x01));
    EXPECT_EQ(cp1254::encode(QStringLiteral("Güç")), QByteArray("G\xFC\xE7"));
    EXPECT_EQ(cp1254::charFor(0x80), QChar(0x20AC));
}

TEST(Cp1254, CharactersOutsideThePageBecomeQuestionMarks)
{
    EXPECT_EQ(cp1254::encode(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
}
