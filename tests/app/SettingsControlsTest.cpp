#include "TestApplication.h"
#include "ui/FormBuilder.h"
#include "ui/SettingsPage.h"
#include "ui/widgets/TextSpinBox.h"

#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace korvel;

// The arrows of the settings spin boxes keep to each box's range and step, from its first value; a
// typed text beyond the range stays until an arrow brings it back.
TEST(SettingsPage, SpinBoxArrowsKeepToTheirRangeAndStep)
{
    test::application("app_tests");
    SettingsPage page;
    const struct {
        const char *name;
        const char *initial;
        const char *up;
        const char *down;
    } cases[] = {
        {"VC", "1", "2", "1"},
        {"CT", "1", "2", "1"},
        {"Alma1", "1", "2", "1"},
        {"cikma2", "1", "2", "1"},
        {"Bank1", "4", "5", "3"},
        {"Bank3", "4", "5", "3"},
        {"Mod1", "1", "2", "0"},
        {"mod3", "1", "2", "0"},
        {"ilkkva1", "1.000", "1.100", "0.900"},
        {"ilkkva3", "1.000", "1.100", "0.900"},
        {"cosmin1", "0.999", "0.999", "0.998"},
        {"cosmax1", "0.999", "0.999", "0.998"},
        {"cosmin3", "0.999", "0.999", "0.998"},
        {"cosmax3", "0.999", "0.999", "0.998"},
    };
    for (const auto &c : cases) {
        auto *spin = page.findChild<TextSpinBox *>(QString::fromLatin1(c.name));
        ASSERT_TRUE(spin) << c.name;
        EXPECT_EQ(spin->text(), QLatin1String(c.initial)) << c.name;
        spin->stepBy(1);
        EXPECT_EQ(spin->text(), QLatin1String(c.up)) << c.name;
        spin->setText(QLatin1String(c.initial));
        spin->stepBy(-1);
        EXPECT_EQ(spin->text(), QLatin1String(c.down)) << c.name;
    }
    auto *banks = page.findChild<TextSpinBox *>(QStringLiteral("Bank1"));
    banks->setText(QStringLiteral("30"));
    EXPECT_EQ(banks->text(), QStringLiteral("30"));
    banks->stepBy(1);
    EXPECT_EQ(banks->text(), QStringLiteral("24"));
}

// Where the decimal mark is ',' the real boxes show it and their arrows step from the text shown; a '.'
// is no number there, so the arrows start again from the range's end.
TEST(SettingsPage, RealBoxesUseTheUsersDecimalMark)
{
    test::application("app_tests");
    const QLocale previous;
    QLocale::setDefault(QLocale(QStringLiteral("tr_TR")));
    SettingsPage page;
    const struct {
        const char *name;
        const char *shown;
        int steps;
        const char *stepped;
    } cases[] = {
        {"ilkkva1", "1,000", 0, "1,000"}, {"ilkkva1", "2,5", 1, "2,600"}, {"cosmin1", "0,955", -1, "0,954"},
        {"cosmax3", "0,999", 0, "0,999"}, {"ilkkva3", "2.5", 1, "0,200"}, {"VC", "7", 1, "8"},
    };
    for (const auto &c : cases) {
        auto *spin = page.findChild<TextSpinBox *>(QString::fromLatin1(c.name));
        ASSERT_TRUE(spin) << c.name;
        spin->setText(QString::fromUtf8(c.shown));
        if (c.steps)
            spin->stepBy(c.steps);
        EXPECT_EQ(spin->text(), QString::fromUtf8(c.stepped)) << c.name << " " << c.shown;
    }
    EXPECT_EQ(SettingsPage().findChild<TextSpinBox *>(QStringLiteral("cosmin1"))->text(),
              QStringLiteral("0,999"));
    QLocale::setDefault(previous);
}

// A toggle starts off and flips when the click is released, or by the space key; nothing else flips it.
TEST(FormToggle, FlipsOnReleaseAndBySpace)
{
    test::application("app_tests");
    QWidget window;
    QPushButton *toggle = form::toggle(&window, QStringLiteral("VrPowerButton1"), QStringLiteral("Röle 1"));
    window.show();
    EXPECT_FALSE(toggle->isChecked());
    QTest::mousePress(toggle, Qt::LeftButton);
    EXPECT_FALSE(toggle->isChecked());
    QTest::mouseRelease(toggle, Qt::LeftButton);
    EXPECT_TRUE(toggle->isChecked());
    QTest::keyClick(toggle, Qt::Key_Space);
    EXPECT_FALSE(toggle->isChecked());
    QTest::keyClick(toggle, Qt::Key_Return);
    EXPECT_FALSE(toggle->isChecked());
}
