#pragma once

#include "ScenarioScript.h"

#include <QHash>
#include <functional>
#include <memory>
#include <utility>

class QObject;
class QTemporaryDir;
class QWidget;

namespace korvel
{

class Client;
class MemoryLink;
class MemorySerialPort;
class ScenarioEnvironment;

// Runs one scenario against the real windows of the client, with an in-memory link and serial port and
// timers that tick only when told.
class ScenarioRunner final
{
public:
    enum Result { Passed = 0, Failed = 1, Unreadable = 2 };

    ScenarioRunner();
    ~ScenarioRunner();

    // Checks that every line names a known command with a fitting number of arguments.
    std::optional<QString> check(const ScenarioScript &script) const;
    Result run(const ScenarioScript &script, QString &message);

private:
    struct Command {
        int minArgs;
        int maxArgs; // -1: any number
        bool setUp;
        std::function<void(const ScenarioLine &)> run;
    };
    void addCommands();
    void addActions();
    void addExpectations();
    void addTableExpectations();
    static QString key(const ScenarioLine &line);

    Client &client();
    QObject *control(const QString &name);
    QWidget *widget(const QString &name);
    // Group and item index of the device item with this caption; fails the scenario when there is none.
    std::pair<int, int> deviceItem(const QString &caption);
    void ensureClickable(QWidget *w, const QString &name);
    void bringUpTab(QWidget *w);
    void settle();
    // Runs the client in a fresh working directory holding only these of the runner's picture files.
    void usePictures(const QStringList &files);
    void restoreWorkingDirectory();

    QHash<QString, Command> m_commands;
    std::unique_ptr<ScenarioEnvironment> m_environment;
    std::unique_ptr<MemoryLink> m_link;
    std::unique_ptr<MemorySerialPort> m_serialPort;
    std::unique_ptr<Client> m_client;
    QString m_defaultHost;
    std::unique_ptr<QTemporaryDir> m_pictureDir;
    QString m_previousDirectory;
};

} // namespace korvel
