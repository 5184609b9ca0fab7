#pragma once

#include <QApplication>

namespace korvel::test
{

// The one QApplication of a widget test program, made on first use and kept until the process ends.
inline QApplication &application(const char *programName)
{
    static int argc = 1;
    static char *argv[] = {const_cast<char *>(programName), nullptr};
    static QApplication *app = new QApplication(argc, argv);
    return *app;
}

} // namespace korvel::test
