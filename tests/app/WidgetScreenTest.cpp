#include "ui/WidgetScreen.h"
#include "TestApplication.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/widgets/Lamp.h"
#include "ui/widgets/NeedleMeter.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextCursor>
#include <gtest/gtest.h>

using namespace korvel;

// The traffic log is bounded by lines and by characters: huge received chunks must not pile up.
TEST(WidgetScreen, ListKeepsItsNewestLinesWithinBothBounds)
{
    test::application("app_tests");
    QWidget window;
    window.setObjectName(QStringLiteral("TFrmhaberlesme"));
    auto *list = new QListWidget(&window);
    list->setObjectName(QStringLiteral("ListBox1"));
    WidgetScreen screen;
    screen.addWindow(&window);
    const QString name = QStringLiteral("TFrmhaberlesme.ListBox1");

    for (int i = 0; i < WidgetScreen::maxLines + 5; ++i)
        screen.appendLine(name, QString::number(i));
    EXPECT_EQ(list->count(), WidgetScreen::maxLines);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("5"));

    const QString huge(WidgetScreen::maxListCharacters / 3, QLatin1Char('x'));
    for (int i = 0; i < 5; ++i)
        screen.appendLine(name, huge + QString::number(i));
    qsizetype characters = 0;
    for (int i = 0; i < list->count(); ++i)
        characters += list->item(i)->text().size();
    EXPECT_LE(characters, WidgetScreen::maxListCharacters);
    EXPECT_EQ(list->item(list->count() - 1)->text(), huge + QStringLiteral("4"));

    // A single line beyond the budget is still shown.
    screen.appendLine(name, QString(WidgetScreen::maxListCharacters + 1, QLatin1Char('y')));
    EXPECT_EQ(list->count(), 1);
}

// A memo's text is kept between reads; an edit by the user, an append and a replacement all show.
TEST(WidgetScreen, MemoTextFollowsEveryChange)
{
    test::application("app_tests");
    QWidget window;
    window.setObjectName(QStringLiteral("TFrmAna"));
    auto *memo = new QPlainTextEdit(&window);
    memo->setObjectName(QStringLiteral("Memo3"));
    WidgetScreen screen;
    screen.addWindow(&window);
    const QString name = QStringLiteral("Memo3");

    screen.setCaption(name, QStringLiteral("1.8.0(1)"));
    EXPECT_EQ(screen.caption(name), QStringLiteral("1.8.0(1)"));
    // The memo holds the text as given; its lines are those the box shows.
    screen.setCaption(name, QStringLiteral("1.8.0(1)\r\n5.8.0(2)"));
    EXPECT_EQ(screen.caption(name), QStringLiteral("1.8.0(1)\r\n5.8.0(2)"));
    EXPECT_EQ(screen.lines(name), (QStringList{QStringLiteral("1.8.0(1)"), QStringLiteral("5.8.0(2)")}));
    memo->moveCursor(QTextCursor::Start);
    memo->insertPlainText(QStringLiteral("x"));
    EXPECT_EQ(screen.caption(name), QStringLiteral("x1.8.0(1)\n5.8.0(2)"));
    screen.setCaption(name, QStringLiteral("y"));
    EXPECT_EQ(screen.caption(name), QStringLiteral("y"));
    EXPECT_EQ(screen.lines(name), QStringList{QStringLiteral("y")});
}

// A list that got the focus has a current line that nobody chose; choosing that same line must still
// count as a choice, and a current line that is not selected is no choice.
TEST(WidgetScreen, ListChoiceIsTheSelectedLine)
{
    test::application("app_tests");
    QWidget window;
    window.setObjectName(QStringLiteral("TFrmMesajlar"));
    auto *list = new QListWidget(&window);
    list->setObjectName(QStringLiteral("RzListBox1"));
    list->addItems({QStringLiteral("a"), QStringLiteral("b")});
    WidgetScreen screen;
    screen.addWindow(&window);
    const QString name = QStringLiteral("TFrmMesajlar.RzListBox1");
    int changes = 0;
    screen.onChange(name, &window, [&changes] { ++changes; });

    list->selectionModel()->setCurrentIndex(list->model()->index(0, 0), QItemSelectionModel::NoUpdate);
    EXPECT_EQ(screen.position(name), -1);
    EXPECT_EQ(changes, 0);
    list->item(0)->setSelected(true);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(screen.position(name), 0);
}

// While the link is down every display of the views is drawn at half brightness, on the pages built
// later too; fresh data lights them again.
TEST(WidgetScreen, DimmedViewsDrawEveryDisplayAtHalfBrightness)
{
    test::application("app_tests");
    ClientWindows windows;
    WidgetScreen &screen = windows.screen();
    ASSERT_FALSE(windows.main().pagesComplete());
    auto *display = qobject_cast<SevenSegmentDisplay *>(screen.find(QStringLiteral("V1")));
    ASSERT_NE(display, nullptr);
    display->setText(QStringLiteral("888"));
    display->resize(120, 40);
    const auto brightest = [display] {
        const QImage image = display->grab().toImage();
        int green = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                green = std::max(green, qGreen(image.pixel(x, y)));
        }
        return green;
    };
    const int lit = brightest();

    screen.setViewsDimmed(true);
    EXPECT_TRUE(screen.viewsDimmed());
    EXPECT_NEAR(brightest(), lit / 2, 3);
    // Controls of every page and kind, the capacitor page built only now included.
    EXPECT_TRUE(qobject_cast<SevenSegmentDisplay *>(screen.find(QStringLiteral("CA1")))->dimmed());
    EXPECT_TRUE(qobject_cast<Lamp *>(screen.find(QStringLiteral("Shape9")))->dimmed());
    EXPECT_TRUE(qobject_cast<NeedleMeter *>(screen.find(QStringLiteral("VrMeter2")))->dimmed());
    auto *reading = qobject_cast<QLabel *>(screen.find(QStringLiteral("Fr")));
    EXPECT_EQ(reading->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    // The activity lamp of the top bar is no view's display.
    EXPECT_FALSE(qobject_cast<Lamp *>(screen.find(QStringLiteral("Shape1")))->dimmed());

    screen.setViewsDimmed(false);
    EXPECT_EQ(brightest(), lit);
    EXPECT_FALSE(qobject_cast<SevenSegmentDisplay *>(screen.find(QStringLiteral("CA1")))->dimmed());
    EXPECT_EQ(reading->palette().color(QPalette::WindowText), QColor(0, 255, 0));
}

// A picture file that disappears while the client runs can no longer be shown (the control keeps its
// picture), and a file that comes back changed is read again.
TEST(WidgetScreen, PictureFileIsLookedUpEachTime)
{
    test::application("app_tests");
    QWidget window;
    window.setObjectName(QStringLiteral("TFrmAna"));
    auto *label = new QLabel(&window);
    label->setObjectName(QStringLiteral("F11"));
    WidgetScreen screen;
    screen.addWindow(&window);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("kondaktif.bmp"));
    auto write = [&file](int width) {
        QImage image(width, 8, QImage::Format_RGB32);
        image.fill(Qt::green);
        ASSERT_TRUE(image.save(file, "BMP"));
    };

    write(8);
    ASSERT_TRUE(screen.setPicture(QStringLiteral("F11"), file));
    EXPECT_TRUE(screen.setPicture(QStringLiteral("F11"), file));
    ASSERT_TRUE(QFile::remove(file));
    // The change notice of the file is waiting once the file is gone; the client's loop delivers it.
    QCoreApplication::processEvents();
    EXPECT_FALSE(screen.setPicture(QStringLiteral("F11"), file));
    EXPECT_EQ(screen.picture(QStringLiteral("F11")), file);
    EXPECT_EQ(label->pixmap().width(), 8);
    write(16);
    EXPECT_TRUE(screen.setPicture(QStringLiteral("F11"), file));
    EXPECT_EQ(label->pixmap().width(), 16);
    // A file that is there but is no picture.
    QFile broken(file);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("no picture");
    broken.close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(screen.setPicture(QStringLiteral("F11"), file));
}
