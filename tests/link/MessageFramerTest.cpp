#include "link/MessageFramer.h"
#include "link/Cp1254.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(MessageFramer, RequestsAreExactBytes)
{
    struct Case {
        QString text;
        QByteArray bytes;
    };
    const Case cases[] = {
        {MessageFramer::ping(), QByteArray("ping\xF4\xF4\xF4")},
        {MessageFramer::login(QStringLiteral("demo"), QStringLiteral(" ")),
         QByteArray("kulsifre\x01"
                    "demo\x01 \x02\xF4\xF4\xF4")},
        {MessageFramer::request(QStringLiteral("enertum"), {QString()}),
         QByteArray("enertum\x01\x01\xF4\xF4\xF4")},
        {MessageFramer::request(QStringLiteral("sabitleriyaz")), QByteArray("sabitleriyaz\x01\xF4\xF4\xF4")},
        {MessageFramer::request(QStringLiteral("sayac"), {QStringLiteral("12001"), QStringLiteral("tdshyr"),
                                                          QStringLiteral("kythyr")}),
         QByteArray("sayac\x01"
                    "12001\x01tdshyr\x01kythyr\x01\xF4\xF4\xF4")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cp1254::encode(c.text), c.bytes) << c.text.toStdString();
}

TEST(MessageFramer, TurkishTextTravelsAsCodePage1254)
{
    const QString login = MessageFramer::login(QStringLiteral("şükrü"), QStringLiteral("Ğ"));
    EXPECT_EQ(cp1254::encode(login), QByteArray("kulsifre\x01\xFE\xFCkr\xFC\x01\xD0\x02\xF4\xF4\xF4"));
}
