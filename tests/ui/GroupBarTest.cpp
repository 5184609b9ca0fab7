#include "ui/widgets/GroupBar.h"
#include "WidgetTesting.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using korvel::GroupBar;

namespace
{

QStringList captions(const GroupBar &bar, int group)
{
    QStringList out;
    for (int i = 0; i < bar.itemCount(group); ++i)
        out << bar.itemCaption(group, i);
    return out;
}

void clickItem(GroupBar &bar, int group, int item)
{
    QTest::mouseClick(bar.viewport(), Qt::LeftButton, {}, bar.itemRect(group, item).center());
}

} // namespace

TEST(GroupBar, GroupsAreAppendedInOrder)
{
    GroupBar bar;
    EXPECT_EQ(bar.groupCount(), 0);
    EXPECT_EQ(bar.addGroup(QStringLiteral("ANKARA")), 0);
    EXPECT_EQ(bar.addGroup(QStringLiteral("İZMİR")), 1);
    EXPECT_EQ(bar.addGroup(QString()), 2);
    EXPECT_EQ(bar.groupCount(), 3);
    EXPECT_EQ(bar.groupCaption(0), QStringLiteral("ANKARA"));
    EXPECT_EQ(bar.groupCaption(1), QStringLiteral("İZMİR"));
    EXPECT_EQ(bar.groupCaption(2), QString());
    EXPECT_EQ(bar.groupCaption(3), QString());
    EXPECT_EQ(bar.groupCaption(-1), QString());
}

TEST(GroupBar, ItemsGoWhereTheyAreInserted)
{
    const struct {
        const char *name;
        std::vector<int> positions; // items "a", "b", "c" in turn
        QStringList order;
    } cases[] = {
        {"always at the top", {0, 0, 0}, {QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}},
        {"past the end appends", {0, 5, 99}, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}},
        {"negative goes first", {0, 1, -3}, {QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b")}},
        {"into the middle", {0, 1, 1}, {QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("b")}},
    };
    for (const auto &c : cases) {
        GroupBar bar;
        bar.addGroup(QStringLiteral("G"));
        const QStringList names{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
        for (int i = 0; i < 3; ++i)
            bar.insertItem(0, c.positions[size_t(i)], names[i], i == 1 ? 3 : -1);
        EXPECT_EQ(captions(bar, 0), c.order) << c.name;
        EXPECT_EQ(bar.itemImageIndex(0, int(c.order.indexOf(QStringLiteral("b")))), 3) << c.name;
    }
}

TEST(GroupBar, UnknownGroupsAndItemsAreHarmless)
{
    GroupBar bar;
    bar.addGroup(QStringLiteral("G"));
    bar.insertItem(1, 0, QStringLiteral("x"), 0);
    bar.insertItem(-1, 0, QStringLiteral("x"), 0);
    EXPECT_EQ(bar.itemCount(0), 0);
    EXPECT_EQ(bar.itemCount(1), 0);
    EXPECT_EQ(bar.itemCaption(0, 0), QString());
    EXPECT_EQ(bar.itemImageIndex(0, 0), -1);
    bar.setItemColour(0, 0, korvel::colours::red);
    bar.setItemColour(7, 0, korvel::colours::red);
    EXPECT_EQ(bar.headerRect(1), QRect());
    EXPECT_EQ(bar.itemRect(0, 0), QRect());
}

TEST(GroupBar, ItemColoursStartAtTheTextColourAndChangeOneItemAtATime)
{
    GroupBar bar;
    bar.addGroup(QStringLiteral("A"));
    bar.addGroup(QStringLiteral("B"));
    bar.insertItem(0, 0, QStringLiteral("a1"), 0);
    bar.insertItem(0, 0, QStringLiteral("a2"), 4);
    bar.insertItem(1, 0, QStringLiteral("b1"), 3);
    const korvel::Colour text = bar.palette().color(QPalette::WindowText).rgb() & 0xFFFFFF;
    EXPECT_EQ(bar.itemColour(0, 0), text);

    bar.setItemColour(0, 1, korvel::colours::red);
    EXPECT_EQ(bar.itemColour(0, 1), korvel::colours::red);
    EXPECT_EQ(bar.itemColour(0, 0), text);
    EXPECT_EQ(bar.itemColour(1, 0), text);
    bar.setItemColour(0, 1, korvel::colours::black);
    EXPECT_EQ(bar.itemColour(0, 1), korvel::colours::black);

    // A new item at the top takes the default colour; the coloured one moves down with its colour.
    bar.insertItem(0, 0, QStringLiteral("a3"), 0);
    EXPECT_EQ(bar.itemColour(0, 0), text);
    EXPECT_EQ(bar.itemColour(0, 2), korvel::colours::black);
}

TEST(GroupBar, ClearItemsEmptiesEveryGroupAndKeepsTheGroups)
{
    GroupBar bar;
    bar.addGroup(QStringLiteral("A"));
    bar.addGroup(QStringLiteral("B"));
    bar.insertItem(0, 0, QStringLiteral("a"), 0);
    bar.insertItem(1, 0, QStringLiteral("b"), 4);
    bar.clearItems();
    EXPECT_EQ(bar.groupCount(), 2);
    EXPECT_EQ(bar.groupCaption(1), QStringLiteral("B"));
    EXPECT_EQ(bar.itemCount(0), 0);
    EXPECT_EQ(bar.itemCount(1), 0);
    bar.insertItem(1, 0, QStringLiteral("b2"), 4);
    EXPECT_EQ(captions(bar, 1), QStringList{QStringLiteral("b2")});
}

TEST(GroupBar, ClickingAnItemReportsItsGroupAndRow)
{
    GroupBar bar;
    bar.resize(241, 400);
    bar.addGroup(QStringLiteral("A"));
    bar.addGroup(QStringLiteral("B"));
    for (const char *name : {"a1", "a2", "a3"})
        bar.insertItem(0, 0, QString::fromLatin1(name), 0);
    bar.insertItem(1, 0, QStringLiteral("b1"), 3);
    korvel::testing::showAndSettle(bar);
    QSignalSpy clicks(&bar, &GroupBar::itemClicked);

    clickItem(bar, 0, 2);
    clickItem(bar, 1, 0);
    clickItem(bar, 0, 0);
    ASSERT_EQ(clicks.size(), 3);
    const QList<QPair<int, int>> expected{{0, 2}, {1, 0}, {0, 0}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(clicks[i][0].toInt(), expected[i].first);
        EXPECT_EQ(clicks[i][1].toInt(), expected[i].second);
    }

    // Below the last row of a group and below the last group, and a press that ends on another row,
    // are not clicks.
    QWidget *rows = bar.viewport();
    QTest::mouseClick(rows, Qt::LeftButton, {}, QPoint(10, bar.itemRect(0, 2).bottom() + 2));
    QTest::mouseClick(rows, Qt::LeftButton, {}, QPoint(10, rows->height() - 1));
    QTest::mousePress(rows, Qt::LeftButton, {}, bar.itemRect(0, 0).center());
    QTest::mouseRelease(rows, Qt::LeftButton, {}, bar.itemRect(0, 1).center());
    EXPECT_EQ(clicks.size(), 3);
}

TEST(GroupBar, ClickingAHeaderFoldsAndUnfoldsItsGroup)
{
    GroupBar bar;
    bar.resize(241, 300);
    bar.addGroup(QStringLiteral("A"));
    bar.addGroup(QStringLiteral("B"));
    bar.insertItem(0, 0, QStringLiteral("a"), 0);
    korvel::testing::showAndSettle(bar);
    ASSERT_TRUE(bar.isGroupExpanded(0));
    const int bTop = bar.headerRect(1).top();

    QTest::mouseClick(bar.viewport(), Qt::LeftButton, {}, bar.headerRect(0).center());
    korvel::testing::settle();
    EXPECT_FALSE(bar.isGroupExpanded(0));
    EXPECT_EQ(bar.itemRect(0, 0), QRect());
    EXPECT_TRUE(bar.isGroupExpanded(1));
    EXPECT_LT(bar.headerRect(1).top(), bTop) << "the next group moves up";

    QTest::mouseClick(bar.viewport(), Qt::LeftButton, {}, bar.headerRect(0).center());
    korvel::testing::settle();
    EXPECT_TRUE(bar.isGroupExpanded(0));
    EXPECT_EQ(bar.headerRect(1).top(), bTop);
}

// Twenty thousand groups add no widget, and the bar scrolls to the last of them: its rows are where a
// click finds them.
TEST(GroupBar, ManyGroupsAddNoWidgetsAndScrollToTheLast)
{
    GroupBar bar;
    bar.resize(241, 500);
    korvel::testing::showAndSettle(bar);
    const qsizetype widgets = bar.findChildren<QWidget *>().size();

    constexpr int groups = 20000;
    for (int g = 0; g < groups; ++g) {
        bar.addGroup(QStringLiteral("TESIS %1").arg(g));
        bar.insertItem(g, 0, QStringLiteral("Cihaz No: %1").arg(g), g % 5);
    }
    bar.insertItem(0, 0, QStringLiteral("Cihaz No: ilk"), 0);
    korvel::testing::settle();
    EXPECT_EQ(bar.findChildren<QWidget *>().size(), widgets);
    EXPECT_EQ(bar.itemRect(0, 1).top(), bar.itemRect(0, 0).bottom() + 1);
    // Each group is a band, a gap, the rows between their margins and a gap; the first group has two rows.
    const int pitch = bar.headerRect(1).top() - bar.headerRect(0).top() - bar.itemRect(0, 0).height();
    EXPECT_EQ(bar.headerRect(groups - 1).top() - bar.headerRect(1).top(), (groups - 2) * pitch);

    QSignalSpy clicks(&bar, &GroupBar::itemClicked);
    bar.ensureItemVisible(groups - 1, 0);
    const QRect last = bar.itemRect(groups - 1, 0);
    EXPECT_TRUE(bar.viewport()->rect().contains(last));
    QTest::mouseClick(bar.viewport(), Qt::LeftButton, {}, last.center());
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), groups - 1);
    EXPECT_EQ(clicks[0][1].toInt(), 0);
}

// A caption cut short in its row offers itself whole as a tooltip; one that fits offers none.
TEST(GroupBar, CutCaptionsShowWholeAsTooltips)
{
    GroupBar bar;
    bar.resize(241, 400);
    bar.addGroup(QStringLiteral("A"));
    const QString longCaption = QStringLiteral("Soğuk Hava Deposu Şalt Odası Analizörü No: 310002");
    bar.insertItem(0, 0, longCaption, 0);
    bar.insertItem(0, 1, QStringLiteral("Pano No: 1"), 0);
    korvel::testing::showAndSettle(bar);
    EXPECT_EQ(bar.toolTipAt(bar.itemRect(0, 0).center()), longCaption);
    EXPECT_EQ(bar.toolTipAt(bar.itemRect(0, 1).center()), QString());
    EXPECT_EQ(bar.toolTipAt(bar.headerRect(0).center()), QString());
    EXPECT_EQ(bar.toolTipAt(QPoint(10, bar.viewport()->height() - 1)), QString());
}

// The alarm mark is the item's own: a red badge at the row's right end that leaves the caption's colour
// alone, moves with the item and goes with it.
TEST(GroupBar, AlarmMarkIsDrawnBesideTheCaptionColour)
{
    GroupBar bar;
    bar.resize(240, 200);
    bar.addGroup(QStringLiteral("A"));
    bar.insertItem(0, 0, QStringLiteral("a1"), 0);
    bar.insertItem(0, 1, QStringLiteral("a2"), 0);
    bar.setItemColour(0, 1, korvel::colours::blue);
    korvel::testing::showAndSettle(bar);
    const auto redAtRightEnd = [&bar](int item) {
        const QImage shot = korvel::testing::grab(*bar.viewport());
        const QRect row = bar.itemRect(0, item);
        int red = 0;
        for (int x = row.right() - 24; x <= row.right(); ++x) {
            for (int y = row.top(); y <= row.bottom(); ++y) {
                const QColor c = shot.pixelColor(x, y);
                red += c.red() > 180 && c.green() < 60 && c.blue() < 60;
            }
        }
        return red;
    };
    EXPECT_EQ(redAtRightEnd(1), 0);
    bar.setItemAlarm(0, 1, true);
    korvel::testing::settle();
    EXPECT_TRUE(bar.itemAlarm(0, 1));
    EXPECT_FALSE(bar.itemAlarm(0, 0));
    EXPECT_GT(redAtRightEnd(1), 40);
    EXPECT_EQ(bar.itemColour(0, 1), korvel::colours::blue);
    bar.insertItem(0, 0, QStringLiteral("a0"), 0);
    EXPECT_TRUE(bar.itemAlarm(0, 2)) << "the mark moves with its item";
    bar.setItemAlarm(0, 2, false);
    korvel::testing::settle();
    EXPECT_EQ(redAtRightEnd(2), 0);
    bar.setItemAlarm(0, 9, true); // no such item: nothing happens
}
