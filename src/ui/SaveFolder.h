#pragma once

#include <QString>

class QDateTime;
class QWidget;

namespace korvel
{

class Environment;

// Where the save dialogs of the client start: the folder of the last save, remembered between runs,
// else the user's documents folder; never the program's own folder, where nobody looks for a file.
class SaveFolder final
{
public:
    static QString folder(const Environment &environment);
    // A file was saved at this path: the next dialog starts in its folder.
    static void remember(Environment &environment, const QString &savedPath);
    // The save dialog in `folder`, proposing `fileName`; empty when the user cancelled.
    static QString ask(QWidget *parent, const QString &folder, const QString &title, const QString &fileName,
                       const QString &filter);
    // The day in file names: 2026-12-11.
    static QString day(const QDateTime &now);
};

} // namespace korvel
