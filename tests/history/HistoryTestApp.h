#pragma once

#include <QCoreApplication>

// The one application object of the history tests, made on first use.
inline QCoreApplication &historyTestApp()
{
    static int argc = 1;
    static char name[] = "history_tests";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    return *app;
}
