#include "alerts/InputNotice.h"
#include "link/ReplyText.h"

#include <gtest/gtest.h>

using namespace korvel;

namespace
{
const QString sep(QChar(0x01));
const QString term(3, QChar(0xF4));
} // namespace

TEST(InputNotice, ReadsSerialAndTheEighthItemAndLeavesTheNextReply)
{
    struct Case {
        const char *name;
        QString items;
        QString serial;
        QString mask;
    };
    const Case cases[] = {
        {"seven items then the mask", QStringLiteral("10$12$2026$08$15$00$4$5"), QStringLiteral("310001"),
         QStringLiteral("5")},
        {"empty items", QStringLiteral("$$$$$$$15"), QStringLiteral("310001"), QStringLiteral("15")},
        // A missing "$" deletes nothing: the mask starts where the items run out.
        {"fewer items", QStringLiteral("1$2$9"), QStringLiteral("310001"), QStringLiteral("9")},
        {"more items", QStringLiteral("1$2$3$4$5$6$7$8$9"), QStringLiteral("310001"), QStringLiteral("8$9")},
    };
    for (const Case &c : cases) {
        ReplyText text(QStringLiteral("input") + sep + c.serial + sep + c.items + sep + term +
                       QStringLiteral("pong") + term);
        const InputNotice notice = InputNotice::read(text);
        EXPECT_EQ(notice.serial, c.serial) << c.name;
        EXPECT_EQ(notice.maskText, c.mask) << c.name;
        EXPECT_EQ(text.rest(), term + QStringLiteral("pong") + term) << c.name;
    }
}

TEST(InputNotice, MaskBits)
{
    InputNotice notice{QStringLiteral("1"), QStringLiteral("5")};
    ASSERT_EQ(notice.mask(), 5);
    const bool expected[] = {true, false, true, false};
    for (int input = 1; input <= 4; ++input)
        EXPECT_EQ(InputNotice::isSet(5, input), expected[input - 1]) << input;
    for (const char *bad : {"", "x1", "1.5", "99999999999"}) {
        notice.maskText = QString::fromLatin1(bad);
        EXPECT_FALSE(notice.mask().has_value()) << bad;
    }
}

TEST(InputNotice, TruncatedNoticeReadsEmptyFields)
{
    for (const QString &chunk :
         {QStringLiteral("input"), QStringLiteral("input") + sep + QStringLiteral("31"),
          QStringLiteral("input") + sep + QStringLiteral("31") + sep + QStringLiteral("$$")}) {
        ReplyText text(chunk);
        const InputNotice notice = InputNotice::read(text);
        EXPECT_TRUE(notice.maskText.isEmpty());
        EXPECT_FALSE(notice.mask().has_value());
    }
}
