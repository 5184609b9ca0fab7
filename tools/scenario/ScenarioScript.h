#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace korvel
{

// One command of a scenario file: its words, with quoted strings already unescaped.
struct ScenarioLine {
    int number = 0;
    QString command;
    QStringList args;
    std::vector<bool> quoted;
};

struct ScenarioScript {
    QString file;
    std::vector<ScenarioLine> lines;
};

// Reads a scenario file: one command a line, "#" at the start of a line or standing alone starts a comment,
// strings in double quotes with the escapes \xNN (the character of code page 1254 byte NN), \n, \r, \t,
// \\ and \". Returns the error text of the first line that cannot be read.
std::optional<QString> parseScenario(const QString &file, const QString &text, ScenarioScript &script);

// A string written back with escapes, for messages.
QString escapeForDisplay(const QString &text);

} // namespace korvel
