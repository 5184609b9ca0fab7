#include "WidgetTesting.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace korvel::testing
{

namespace
{

// Widgets need an application object; gtest_main owns main(), so an environment makes it.
class QtEnvironment final : public ::testing::Environment
{
public:
    void SetUp() override { m_app = new QApplication(m_argc, m_argv); }
    void TearDown() override
    {
        delete m_app;
        m_app = nullptr;
    }

private:
    int m_argc = 1;
    char m_name[17] = "ui_widgets_tests";
    char *m_argv[2] = {m_name, nullptr};
    QApplication *m_app = nullptr;
};

[[maybe_unused]] const auto *const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

PaintCounter::PaintCounter(QWidget *widget) : QObject(widget)
{
    widget->installEventFilter(this);
}

int PaintCounter::settle()
{
    testing::settle();
    const int fresh = m_count - m_seen;
    m_seen = m_count;
    return fresh;
}

bool PaintCounter::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::Paint)
        ++m_count;
    return false;
}

void settle()
{
    for (int round = 0; round < 4; ++round)
        QCoreApplication::processEvents();
}

void showAndSettle(QWidget &widget)
{
    widget.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&widget));
    settle();
}

QImage grab(QWidget &widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace korvel::testing
