#include "alerts/MessageStore.h"

#include <gtest/gtest.h>

using namespace korvel;

TEST(MessageStore, KeepsEveryMessagePastTheOld256)
{
    MessageStore store;
    for (int i = 0; i < 300; ++i)
        store.append(QString::number(i), QStringLiteral("body %1").arg(i));
    ASSERT_EQ(store.size(), 300);
    EXPECT_EQ(store.received(), 300);
    for (int i : {0, 255, 256, 299}) {
        EXPECT_EQ(store.at(i).title, QString::number(i));
        EXPECT_EQ(store.at(i).body, QStringLiteral("body %1").arg(i));
    }
}

TEST(MessageStore, DropsTheOldestPastItsBound)
{
    MessageStore store;
    const qsizetype total = MessageStore::maxMessages + 5;
    qsizetype dropped = 0;
    for (qsizetype i = 0; i < total; ++i)
        dropped += store.append(QString::number(i), QString());
    EXPECT_EQ(store.size(), MessageStore::maxMessages);
    // What append reports dropped is what the list that shows the messages drops.
    EXPECT_EQ(dropped, 5);
    EXPECT_EQ(store.received(), total);
    EXPECT_EQ(store.at(0).title, QStringLiteral("5"));
    EXPECT_EQ(store.at(store.size() - 1).title, QString::number(total - 1));
}

TEST(MessageStore, HugeMessagesStayWithinTheCharacterBudgetAndTheNewestStays)
{
    MessageStore store;
    const QString big(MessageStore::maxCharacters / 3, QLatin1Char('x'));
    for (int i = 0; i < 5; ++i)
        store.append(QString::number(i), big);
    EXPECT_LE(store.characters(), MessageStore::maxCharacters);
    EXPECT_EQ(store.at(store.size() - 1).title, QStringLiteral("4"));
    // One message larger than the whole budget is still kept, alone.
    const qsizetype before = store.size();
    EXPECT_EQ(
        store.append(QStringLiteral("huge"), QString(MessageStore::maxCharacters + 1, QLatin1Char('y'))),
        before);
    ASSERT_EQ(store.size(), 1);
    EXPECT_EQ(store.at(0).title, QStringLiteral("huge"));
    EXPECT_EQ(store.received(), 6);
}
