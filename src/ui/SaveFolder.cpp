#include "ui/SaveFolder.h"

#include "core/Environment.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace korvel
{

namespace
{
const QString settingFolder = QStringLiteral("kayit/klasor");
}

QString SaveFolder::folder(const Environment &environment)
{
    const QString remembered = environment.setting(settingFolder);
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir())
        return remembered;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

void SaveFolder::remember(Environment &environment, const QString &savedPath)
{
    environment.setSetting(settingFolder, QFileInfo(savedPath).absolutePath());
}

QString SaveFolder::ask(QWidget *parent, const QString &folder, const QString &title, const QString &fileName,
                        const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, title, QDir(folder).filePath(fileName), filter);
}

QString SaveFolder::day(const QDateTime &now)
{
    return now.date().toString(Qt::ISODate);
}

} // namespace korvel
