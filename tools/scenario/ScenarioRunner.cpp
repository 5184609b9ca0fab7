#include "ScenarioRunner.h"

#include "MemoryLink.h"
#include "MemorySerialPort.h"
#include "ScenarioEnvironment.h"
#include "app/Client.h"
#include "core/Ticker.h"
#include "link/Cp1254.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/widgets/GroupBar.h"
#include "ui/widgets/TextSpinBox.h"
#include "values/DeviceValueTable.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace korvel
{

namespace
{
// A failed expectation or an action that cannot be done; the message says what and why.
struct Failure {
    QString message;
};

[[noreturn]] void fail(const QString &message)
{
    throw Failure{message};
}

void expectEqual(const QString &what, const QString &expected, const QString &actual)
{
    if (expected != actual)
        fail(QStringLiteral("%1: expected \"%2\", actual \"%3\"")
                 .arg(what, escapeForDisplay(expected), escapeForDisplay(actual)));
}

bool yesNo(const QString &word)
{
    if (word == QLatin1String("yes"))
        return true;
    if (word == QLatin1String("no"))
        return false;
    fail(QStringLiteral("expected yes or no, got %1").arg(word));
}

int number(const QString &word)
{
    bool ok = false;
    const int n = word.toInt(&ok);
    if (!ok)
        fail(QStringLiteral("expected a number, got %1").arg(word));
    return n;
}

QString colourText(Colour c)
{
    return QStringLiteral("#%1").arg(c, 6, 16, QLatin1Char('0')).toUpper();
}

Colour parseColour(const QString &word)
{
    bool ok = false;
    const uint c = word.startsWith(u'#') && word.size() == 7 ? word.mid(1).toUInt(&ok, 16) : 0;
    if (!ok)
        fail(QStringLiteral("expected a colour #RRGGBB, got %1").arg(word));
    return c;
}

int keyCode(const QString &name)
{
    static const QHash<QString, int> keys = {{QStringLiteral("F5"), Qt::Key_F5},
                                             {QStringLiteral("F6"), Qt::Key_F6},
                                             {QStringLiteral("Enter"), Qt::Key_Return},
                                             {QStringLiteral("Space"), Qt::Key_Space},
                                             {QStringLiteral("Escape"), Qt::Key_Escape}};
    if (!keys.contains(name))
        fail(QStringLiteral("unknown key %1").arg(name));
    return keys.value(name);
}

QString joinQuoted(const QStringList &items)
{
    QStringList quoted;
    for (const QString &s : items)
        quoted << QLatin1Char('"') + escapeForDisplay(s) + QLatin1Char('"');
    return quoted.join(QLatin1Char(' '));
}

// The traffic log's time prefix is written "*" in expectations.
bool lineMatches(const QString &expected, const QString &actual)
{
    if (expected.startsWith(u'*'))
        return actual.endsWith(QStringView(expected).mid(1)) && actual.size() > expected.size() - 1;
    return expected == actual;
}
} // namespace

ScenarioRunner::ScenarioRunner()
{
    addCommands();
}

ScenarioRunner::~ScenarioRunner() = default;

QString ScenarioRunner::key(const ScenarioLine &line)
{
    return line.command == QLatin1String("expect") && !line.args.isEmpty()
               ? QStringLiteral("expect ") + line.args.first()
               : line.command;
}

std::optional<QString> ScenarioRunner::check(const ScenarioScript &script) const
{
    for (const ScenarioLine &line : script.lines) {
        const QString k = key(line);
        const auto it = m_commands.constFind(k);
        const QString where = QStringLiteral("%1:%2: ").arg(script.file).arg(line.number);
        if (it == m_commands.cend())
            return where + QStringLiteral("unknown command \"%1\"").arg(k);
        const int args = int(line.args.size()) - (line.command == QLatin1String("expect") ? 1 : 0);
        if (args < it->minArgs || (it->maxArgs >= 0 && args > it->maxArgs))
            return where + QStringLiteral("wrong number of arguments for \"%1\"").arg(k);
    }
    return std::nullopt;
}

ScenarioRunner::Result ScenarioRunner::run(const ScenarioScript &script, QString &message)
{
    if (auto error = check(script)) {
        message = *error;
        return Unreadable;
    }
    m_environment = std::make_unique<ScenarioEnvironment>();
    m_link = std::make_unique<MemoryLink>();
    m_serialPort = std::make_unique<MemorySerialPort>();
    m_client.reset();
    m_defaultHost.clear();
    QLocale::setDefault(QLocale::c());
    Result result = Passed;
    for (const ScenarioLine &line : script.lines) {
        const Command &command = m_commands[key(line)];
        ScenarioLine args = line;
        if (line.command == QLatin1String("expect")) {
            args.args.removeFirst();
            args.quoted.erase(args.quoted.begin());
        }
        try {
            // The clock may also be moved while the client runs.
            if (command.setUp && m_client && line.command != QLatin1String("clock"))
                fail(QStringLiteral("set-up commands come before start"));
            if (!command.setUp && !m_client && line.command != QLatin1String("start"))
                fail(QStringLiteral("start the client first"));
            command.run(args);
            settle();
            if (!m_environment->unansweredQuestion().isEmpty())
                fail(QStringLiteral("question box with no answer ready: \"%1\"")
                         .arg(m_environment->unansweredQuestion()));
        } catch (const Failure &f) {
            message = QStringLiteral("%1:%2: %3").arg(script.file).arg(line.number).arg(f.message);
            result = Failed;
            break;
        }
    }
    m_client.reset();
    m_link.reset();
    m_serialPort.reset();
    m_environment.reset();
    restoreWorkingDirectory();
    return result;
}

void ScenarioRunner::usePictures(const QStringList &files)
{
    restoreWorkingDirectory();
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        fail(QStringLiteral("cannot make a working directory: %1").arg(dir->errorString()));
    // The pictures are built beside the runner.
    const QDir source(QCoreApplication::applicationDirPath());
    for (const QString &file : files) {
        if (file.contains(u'/') || !QFile::copy(source.filePath(file), dir->filePath(file)))
            fail(QStringLiteral("no picture %1 beside the runner").arg(file));
    }
    m_previousDirectory = QDir::currentPath();
    QDir::setCurrent(dir->path());
    m_pictureDir = std::move(dir);
}

void ScenarioRunner::restoreWorkingDirectory()
{
    if (!m_pictureDir)
        return;
    QDir::setCurrent(m_previousDirectory);
    m_pictureDir.reset();
}

void ScenarioRunner::settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

Client &ScenarioRunner::client()
{
    if (!m_client)
        fail(QStringLiteral("start the client first"));
    return *m_client;
}

QObject *ScenarioRunner::control(const QString &name)
{
    QObject *o = client().windows().screen().find(name);
    if (!o)
        fail(QStringLiteral("no control named %1").arg(name));
    return o;
}

QWidget *ScenarioRunner::widget(const QString &name)
{
    auto *w = qobject_cast<QWidget *>(control(name));
    if (!w)
        fail(QStringLiteral("%1 is not a widget").arg(name));
    return w;
}

std::pair<int, int> ScenarioRunner::deviceItem(const QString &caption)
{
    GroupBar *bar = client().windows().main().groupBar();
    for (int g = 0; g < bar->groupCount(); ++g) {
        for (int i = 0; i < bar->itemCount(g); ++i) {
            if (bar->itemCaption(g, i) == caption)
                return {g, i};
        }
    }
    fail(QStringLiteral("no device item \"%1\"").arg(escapeForDisplay(caption)));
}

void ScenarioRunner::ensureClickable(QWidget *w, const QString &name)
{
    auto *tabs = client().windows().main().pages();
    for (QWidget *p = w; p; p = p->parentWidget()) {
        if (p->isWindow()) {
            if (!p->isVisible())
                fail(QStringLiteral("%1 cannot be clicked: its window is not shown").arg(name));
            break;
        }
        // A page of the page control is hidden whenever another page is on top; what counts is its tab.
        if (const int page = tabs->indexOf(p); page >= 0) {
            if (!tabs->isTabVisible(page))
                fail(QStringLiteral("%1 cannot be clicked: its tab %2 is not shown").arg(name).arg(page));
            continue;
        }
        if (p->isHidden())
            fail(QStringLiteral("%1 cannot be clicked: %2 is hidden")
                     .arg(name, p == w ? QStringLiteral("it") : p->objectName()));
    }
    if (!w->isEnabled())
        fail(QStringLiteral("%1 cannot be clicked: it is disabled").arg(name));
}

void ScenarioRunner::bringUpTab(QWidget *w)
{
    auto *tabs = client().windows().main().pages();
    for (QWidget *p = w; p; p = p->parentWidget()) {
        const int page = tabs->indexOf(p);
        if (page >= 0) {
            tabs->setCurrentIndex(page);
            return;
        }
    }
}

void ScenarioRunner::addCommands()
{
    auto setUp = [this](const char *name, int args, std::function<void(const ScenarioLine &)> run) {
        m_commands.insert(QString::fromLatin1(name), Command{args, args, true, std::move(run)});
    };
    setUp("locale", 1, [](const ScenarioLine &l) { QLocale::setDefault(QLocale(l.args[0])); });
    setUp("clock", 1, [this](const ScenarioLine &l) {
        const QDateTime t = QDateTime::fromString(l.args[0], Qt::ISODate);
        if (!t.isValid())
            fail(QStringLiteral("bad clock %1").arg(l.args[0]));
        m_environment->setNow(t);
    });
    setUp("internet", 1, [this](const ScenarioLine &l) { m_environment->setInternet(yesNo(l.args[0])); });
    setUp("sound", 1, [this](const ScenarioLine &l) { m_environment->setSound(yesNo(l.args[0])); });
    setUp("history", 1, [this](const ScenarioLine &l) {
        if (l.args[0].isEmpty())
            fail(QStringLiteral("history needs a file name"));
        // Every run starts from an empty file, so a scenario reads the same each time.
        const QString file = QFileInfo(l.args[0]).absoluteFilePath();
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(file + suffix);
        m_environment->setHistoryFile(file);
    });
    // history-file "FILE": records into a history file as it stands, to replay a recording against the
    // history a user had (or a generated one); the runs of such a scenario may differ.
    setUp("history-file", 1, [this](const ScenarioLine &l) {
        if (!QFileInfo(l.args[0]).isFile())
            fail(QStringLiteral("no history file %1").arg(l.args[0]));
        m_environment->setHistoryFile(QFileInfo(l.args[0]).absoluteFilePath());
    });
    setUp("host", 1, [this](const ScenarioLine &l) { m_defaultHost = l.args[0]; });
    // setting KEY "VALUE": what an earlier run remembered (kept in memory, never in the user's settings).
    setUp("setting", 2, [this](const ScenarioLine &l) { m_environment->setSetting(l.args[0], l.args[1]); });
    m_commands.insert(QStringLiteral("pictures"),
                      Command{0, -1, true, [this](const ScenarioLine &l) { usePictures(l.args); }});
    addActions();
    addExpectations();
    addTableExpectations();
}

void ScenarioRunner::addActions()
{
    auto action = [this](const char *name, int minArgs, int maxArgs,
                         std::function<void(const ScenarioLine &)> run) {
        m_commands.insert(QString::fromLatin1(name), Command{minArgs, maxArgs, false, std::move(run)});
    };
    action("start", 0, 0, [this](const ScenarioLine &) {
        if (m_client)
            fail(QStringLiteral("already started"));
        ServerAddress address;
        if (!m_defaultHost.isEmpty())
            address.defaultHost = m_defaultHost;
        m_client = std::make_unique<Client>(*m_environment, *m_link, *m_serialPort, address);
        m_client->start();
    });
    action("login", 2, 2, [this](const ScenarioLine &l) {
        Screen &screen = client().windows().screen();
        screen.setCaption(QStringLiteral("TFrmGiris.Edit1"), l.args[0]);
        screen.setCaption(QStringLiteral("TFrmGiris.Edit4"), l.args[1]);
        QWidget *button = widget(QStringLiteral("TFrmGiris.suiButton1"));
        ensureClickable(button, QStringLiteral("TFrmGiris.suiButton1"));
        qobject_cast<QAbstractButton *>(button)->click();
    });
    action("socket", 1, 1, [this](const ScenarioLine &l) {
        const QString &what = l.args[0];
        if (what == QLatin1String("connected"))
            m_link->setConnected();
        else if (what == QLatin1String("disconnected"))
            m_link->setDisconnected();
        else if (what == QLatin1String("error"))
            m_link->raiseError();
        else if (what == QLatin1String("hold"))
            m_link->hold();
        else
            fail(QStringLiteral("unknown socket notification %1").arg(what));
    });
    // recv "TEXT" [N]: one chunk, the text N times over (default once), then the link stays quiet past
    // the hold-back time, so a reply the chunk left unfinished is handled as it stands.
    action("recv", 1, 2, [this](const ScenarioLine &l) {
        client();
        const int times = l.args.size() == 2 ? number(l.args[1]) : 1;
        if (times < 1)
            fail(QStringLiteral("recv repeats a text at least once"));
        m_link->deliver(cp1254::encode(l.args[0].repeated(times)));
        if (Ticker *hold = m_environment->ticker(QStringLiteral("TFrmAna.TimerParca"));
            hold && hold->isActive())
            hold->fire();
    });
    // read "TEXT"...: one chunk per text, back to back, with no quiet after them.
    action("read", 1, 64, [this](const ScenarioLine &l) {
        client();
        for (const QString &text : l.args)
            m_link->deliver(cp1254::encode(text));
    });
    // read-pieces "TEXT" N: the text in chunks of N characters (the last may be shorter), no quiet after.
    action("read-pieces", 2, 2, [this](const ScenarioLine &l) {
        client();
        const int size = number(l.args[1]);
        if (size < 1)
            fail(QStringLiteral("read-pieces needs pieces of at least one character"));
        for (qsizetype at = 0; at < l.args[0].size(); at += size)
            m_link->deliver(cp1254::encode(l.args[0].mid(at, size)));
    });
    // serial "BYTES": one receive notification of the tool window's port, after the pause that follows
    // a send has passed.
    action("serial", 1, 1, [this](const ScenarioLine &l) {
        client();
        if (!m_serialPort->isOpen())
            fail(QStringLiteral("the serial port is not open: nothing was sent on it yet"));
        // Clicks that waited for a pause may start the next one; every pause has passed before the bytes.
        for (bool pausing = true; pausing;) {
            pausing = false;
            for (const char *pause : {"TVD1KAL.ReadPause", "TVD1KAL.WritePause"}) {
                Ticker *ticker = m_environment->ticker(QString::fromLatin1(pause));
                if (ticker && ticker->isActive()) {
                    ticker->fire();
                    pausing = true;
                }
            }
        }
        m_serialPort->deliver(cp1254::encode(l.args[0]));
    });
    action("click", 1, 2, [this](const ScenarioLine &l) {
        if (l.args.size() == 2 && l.args[0] == QLatin1String("item")) {
            const auto [group, item] = deviceItem(l.args[1]);
            Q_EMIT client().windows().main().groupBar()->itemClicked(group, item);
            return;
        }
        if (l.args.size() != 1)
            fail(QStringLiteral("click NAME or click item \"CAPTION\""));
        QObject *o = control(l.args[0]);
        if (auto *action = qobject_cast<QAction *>(o)) {
            if (!action->isVisible() || !action->isEnabled())
                fail(QStringLiteral("%1 cannot be clicked: it is hidden or disabled").arg(l.args[0]));
            action->trigger();
            return;
        }
        QWidget *w = widget(l.args[0]);
        ensureClickable(w, l.args[0]);
        bringUpTab(w);
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            button->click();
        else
            QTest::mouseClick(w, Qt::LeftButton);
    });
    action("select", 2, 2, [this](const ScenarioLine &l) {
        QObject *o = control(l.args[0]);
        if (auto *list = qobject_cast<QListWidget *>(o))
            list->setCurrentRow(number(l.args[1]));
        else if (auto *table = qobject_cast<QTableWidget *>(o))
            table->selectRow(number(l.args[1]));
        else if (auto *box = qobject_cast<QComboBox *>(o))
            box->setCurrentIndex(number(l.args[1]));
        else if (auto *tabs = qobject_cast<QTabWidget *>(o)) {
            // A person can bring up only a tab that is shown.
            if (!tabs->isTabVisible(number(l.args[1])))
                fail(QStringLiteral("tab %1 is hidden").arg(l.args[1]));
            tabs->setCurrentIndex(number(l.args[1]));
        } else
            fail(QStringLiteral("%1 is not a list").arg(l.args[0]));
    });
    // doubleclick NAME ROW: a double click on a line of a table, as the mouse gives it (row from 0, as
    // the table shows its lines).
    action("doubleclick", 2, 2, [this](const ScenarioLine &l) {
        auto *view = qobject_cast<QTableView *>(control(l.args[0]));
        if (!view)
            fail(QStringLiteral("%1 is not a table").arg(l.args[0]));
        const QModelIndex index = view->model()->index(number(l.args[1]), 0);
        if (!index.isValid())
            fail(QStringLiteral("%1 has no line %2").arg(l.args[0], l.args[1]));
        ensureClickable(view, l.args[0]);
        view->scrollTo(index);
        const QPoint at = view->visualRect(index).center();
        // As the system gives it: press, release, the double click, release.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
    });
    action("type", 2, 2, [this](const ScenarioLine &l) {
        QObject *o = control(l.args[0]);
        if (auto *edit = qobject_cast<QLineEdit *>(o))
            edit->setText(l.args[1]);
        else if (auto *memo = qobject_cast<QPlainTextEdit *>(o))
            memo->setPlainText(l.args[1]);
        else if (auto *textSpin = qobject_cast<TextSpinBox *>(o))
            textSpin->setText(l.args[1]);
        else if (auto *spin = qobject_cast<QSpinBox *>(o))
            spin->setValue(number(l.args[1]));
        else
            fail(QStringLiteral("%1 takes no typing").arg(l.args[0]));
    });
    action("check", 2, 2, [this](const ScenarioLine &l) {
        QObject *o = control(l.args[0]);
        if (auto *entry = qobject_cast<QAction *>(o); entry && entry->isCheckable()) {
            entry->setChecked(yesNo(l.args[1]));
            return;
        }
        auto *button = qobject_cast<QAbstractButton *>(o);
        if (!button || !button->isCheckable())
            fail(QStringLiteral("%1 is not a check box").arg(l.args[0]));
        button->setChecked(yesNo(l.args[1]));
    });
    action("key", 2, 2, [this](const ScenarioLine &l) {
        QTest::keyClick(widget(l.args[0]), Qt::Key(keyCode(l.args[1])));
    });
    action("answer", 1, 1, [this](const ScenarioLine &l) { m_environment->queueAnswer(yesNo(l.args[0])); });
    action("date", 2, 2, [this](const ScenarioLine &l) {
        auto *picker = qobject_cast<QDateEdit *>(control(l.args[0]));
        const QDate date = QDate::fromString(l.args[1], Qt::ISODate);
        if (!picker || !date.isValid())
            fail(QStringLiteral("date needs a date picker and YYYY-MM-DD"));
        picker->setDate(date);
    });
    // show WINDOW: opens a window as its menu entry would; close WINDOW: its title bar's close button.
    auto window = [this](const QString &name) {
        QWidget *w = client().windows().screen().window(name);
        if (!w)
            fail(QStringLiteral("no window named %1").arg(name));
        return w;
    };
    action("show", 1, 1, [this, window](const ScenarioLine &l) {
        window(l.args[0]);
        client().windows().screen().showWindow(l.args[0]);
    });
    action("close", 1, 1, [window](const ScenarioLine &l) { window(l.args[0])->close(); });
    // remove "FILE": a picture file disappears from the working directory while the client runs. Only
    // from the fresh directory of `pictures`, never from the runner's own.
    action("remove", 1, 1, [this](const ScenarioLine &l) {
        if (!m_pictureDir)
            fail(QStringLiteral("remove needs a working directory of its own (pictures)"));
        if (l.args[0].contains(u'/') || !QFile::remove(m_pictureDir->filePath(l.args[0])))
            fail(QStringLiteral("no file %1 to remove").arg(l.args[0]));
    });
    // screenshot [WINDOW] "FILE": saves what the window shows as an image; changes nothing.
    action("screenshot", 1, 2, [this](const ScenarioLine &l) {
        const QString window = l.args.size() == 2 ? l.args[0] : QStringLiteral("TFrmAna");
        QWidget *w = client().windows().screen().window(window);
        if (!w)
            fail(QStringLiteral("no window named %1").arg(window));
        if (!w->grab().save(l.args.last()))
            fail(QStringLiteral("cannot write %1").arg(l.args.last()));
    });
    action("tick", 1, 1, [this](const ScenarioLine &l) {
        client();
        Ticker *ticker = m_environment->ticker(l.args[0]);
        if (!ticker)
            fail(QStringLiteral("no timer named %1").arg(l.args[0]));
        if (!ticker->isActive())
            fail(QStringLiteral("timer %1 is not running").arg(l.args[0]));
        ticker->fire();
    });
}

void ScenarioRunner::addExpectations()
{
    auto expect = [this](const char *name, int minArgs, int maxArgs,
                         std::function<void(const ScenarioLine &)> run) {
        m_commands.insert(QStringLiteral("expect ") + QString::fromLatin1(name),
                          Command{minArgs, maxArgs, false, std::move(run)});
    };
    expect("caption", 2, 2, [this](const ScenarioLine &l) {
        control(l.args[0]);
        expectEqual(l.args[0], l.args[1], client().windows().screen().caption(l.args[0]));
    });
    expect("box", 1, 1, [this](const ScenarioLine &l) {
        const QStringList boxes = m_environment->takeBoxes();
        expectEqual(QStringLiteral("box"), l.args[0],
                    boxes.isEmpty() ? QStringLiteral("(no box)") : boxes.last());
    });
    expect("no-box", 0, 0, [this](const ScenarioLine &) {
        const QStringList boxes = m_environment->takeBoxes();
        if (!boxes.isEmpty())
            fail(QStringLiteral("expected no box, got \"%1\"").arg(escapeForDisplay(boxes.last())));
    });
    auto flag = [this, expect](const char *name, std::function<bool(const QString &)> read) {
        expect(name, 2, 2, [this, name, read](const ScenarioLine &l) {
            control(l.args[0]);
            const bool expected = yesNo(l.args[1]);
            if (read(l.args[0]) != expected)
                fail(QStringLiteral("%1 %2: expected %3")
                         .arg(QString::fromLatin1(name), l.args[0], l.args[1]));
        });
    };
    flag("visible", [this](const QString &n) { return client().windows().screen().isVisible(n); });
    flag("enabled", [this](const QString &n) { return client().windows().screen().isEnabled(n); });
    flag("checked", [this](const QString &n) {
        QObject *o = control(n);
        if (auto *entry = qobject_cast<QAction *>(o))
            return entry->isChecked();
        auto *button = qobject_cast<QAbstractButton *>(o);
        return button && button->isChecked();
    });
    // setting KEY "VALUE": what the client remembered for its next run ("" for nothing).
    expect("setting", 2, 2, [this](const ScenarioLine &l) {
        expectEqual(l.args[0], l.args[1], m_environment->setting(l.args[0]));
    });
    expect("running", 2, 2, [this](const ScenarioLine &l) {
        client();
        Ticker *ticker = m_environment->ticker(l.args[0]);
        if (!ticker)
            fail(QStringLiteral("no timer named %1").arg(l.args[0]));
        if (ticker->isActive() != yesNo(l.args[1]))
            fail(QStringLiteral("running %1: expected %2").arg(l.args[0], l.args[1]));
    });
    expect("position", 2, 2, [this](const ScenarioLine &l) {
        control(l.args[0]);
        expectEqual(l.args[0], QString::number(number(l.args[1])),
                    QString::number(client().windows().screen().position(l.args[0])));
    });
    expect("colour", 2, 3, [this](const ScenarioLine &l) {
        if (l.args.size() == 3 && l.args[0] == QLatin1String("item")) {
            const auto [group, item] = deviceItem(l.args[1]);
            expectEqual(QStringLiteral("colour of item"), colourText(parseColour(l.args[2])),
                        colourText(client().windows().main().groupBar()->itemColour(group, item)));
            return;
        }
        control(l.args[0]);
        expectEqual(QStringLiteral("colour of ") + l.args[0], colourText(parseColour(l.args[1])),
                    colourText(client().windows().screen().colour(l.args[0])));
    });
    // focus NAME: the control has the keyboard focus of its window.
    expect("focus", 1, 1, [this](const ScenarioLine &l) {
        auto *w = qobject_cast<QWidget *>(control(l.args[0]));
        QWidget *focused = w ? w->window()->focusWidget() : nullptr;
        if (!w || focused != w)
            fail(QStringLiteral("focus: expected %1, actual %2")
                     .arg(l.args[0], focused ? focused->objectName() : QStringLiteral("(none)")));
    });
    // alarm item "CAPTION" yes|no: the alarm mark of a device item.
    expect("alarm", 3, 3, [this](const ScenarioLine &l) {
        if (l.args[0] != QLatin1String("item"))
            fail(QStringLiteral("expect alarm item \"CAPTION\" yes|no"));
        const auto [group, item] = deviceItem(l.args[1]);
        if (client().windows().main().groupBar()->itemAlarm(group, item) != yesNo(l.args[2]))
            fail(QStringLiteral("alarm mark of item \"%1\": expected %2")
                     .arg(escapeForDisplay(l.args[1]), l.args[2]));
    });
    // attention N: how often the main window asked for the user's attention since the start.
    expect("attention", 1, 1, [this](const ScenarioLine &l) {
        expectEqual(QStringLiteral("attention"), QString::number(number(l.args[0])),
                    QString::number(client().windows().screen().alertCount()));
    });
    // tray alarm|normal: the tray icon's look.
    expect("tray", 1, 1, [this](const ScenarioLine &l) {
        if (l.args[0] != QLatin1String("alarm") && l.args[0] != QLatin1String("normal"))
            fail(QStringLiteral("expect tray alarm|normal"));
        expectEqual(QStringLiteral("tray"), l.args[0],
                    client().windows().main().trayAlarm() ? QStringLiteral("alarm")
                                                          : QStringLiteral("normal"));
    });
    expect("picture", 2, 2, [this](const ScenarioLine &l) {
        control(l.args[0]);
        expectEqual(QStringLiteral("picture of ") + l.args[0], l.args[1],
                    client().windows().screen().picture(l.args[0]));
    });
    // dimmed [PAGE] yes|no: any page's displays dimmed, or those of one page.
    expect("dimmed", 1, 2, [this](const ScenarioLine &l) {
        const Screen &screen = client().windows().screen();
        const bool dimmed =
            l.args.size() == 2 ? screen.isPageDimmed(number(l.args[0])) : screen.viewsDimmed();
        if (dimmed != yesNo(l.args.back()))
            fail(QStringLiteral("dimmed %1: expected %2")
                     .arg(l.args.size() == 2 ? l.args[0] : QString(), l.args.back()));
    });
    // marked item "CAPTION" yes|no: the selection mark behind a device item.
    expect("marked", 3, 3, [this](const ScenarioLine &l) {
        if (l.args[0] != QLatin1String("item"))
            fail(QStringLiteral("marked: expected item \"CAPTION\""));
        const auto [group, item] = deviceItem(l.args[1]);
        if (client().windows().main().groupBar()->isItemMarked(group, item) != yesNo(l.args[2]))
            fail(QStringLiteral("marked item %1: expected %2").arg(l.args[1], l.args[2]));
    });
    // tooltip NAME "TEXT" or tooltip item "CAPTION" "TEXT": what shows when the mouse rests on it.
    expect("tooltip", 2, 3, [this](const ScenarioLine &l) {
        if (l.args.size() == 3 && l.args[0] == QLatin1String("item")) {
            GroupBar *bar = client().windows().main().groupBar();
            const auto [group, item] = deviceItem(l.args[1]);
            bar->ensureItemVisible(group, item);
            expectEqual(QStringLiteral("tooltip of item"), l.args[2],
                        bar->toolTipAt(bar->itemRect(group, item).center()));
            return;
        }
        control(l.args[0]);
        expectEqual(QStringLiteral("tooltip of ") + l.args[0], l.args[1],
                    client().windows().screen().toolTip(l.args[0]));
    });
    expect("page", 1, 1, [this](const ScenarioLine &l) {
        expectEqual(QStringLiteral("page"), l.args[0],
                    QString::number(client().windows().screen().activePage()));
    });
    expect("tab", 2, 2, [this](const ScenarioLine &l) {
        const bool shown = client().windows().screen().isTabShown(number(l.args[0]));
        if (shown != yesNo(l.args[1]))
            fail(QStringLiteral("tab %1: expected %2").arg(l.args[0], l.args[1]));
    });
    expect("groups", 0, -1, [this](const ScenarioLine &l) {
        GroupBar *bar = client().windows().main().groupBar();
        QStringList actual;
        for (int g = 0; g < bar->groupCount(); ++g)
            actual << bar->groupCaption(g);
        if (actual != l.args)
            fail(
                QStringLiteral("groups: expected %1, actual %2").arg(joinQuoted(l.args), joinQuoted(actual)));
    });
    expect("items", 1, -1, [this](const ScenarioLine &l) {
        GroupBar *bar = client().windows().main().groupBar();
        for (int g = 0; g < bar->groupCount(); ++g) {
            if (bar->groupCaption(g) != l.args[0])
                continue;
            QStringList actual;
            for (int i = 0; i < bar->itemCount(g); ++i)
                actual << bar->itemCaption(g, i);
            const QStringList expected = l.args.mid(1);
            if (actual != expected)
                fail(QStringLiteral("items of \"%1\": expected %2, actual %3")
                         .arg(escapeForDisplay(l.args[0]), joinQuoted(expected), joinQuoted(actual)));
            return;
        }
        fail(QStringLiteral("no group \"%1\"").arg(escapeForDisplay(l.args[0])));
    });
    expect("lines", 1, -1, [this](const ScenarioLine &l) {
        control(l.args[0]);
        const QStringList actual = client().windows().screen().lines(l.args[0]);
        const QStringList expected = l.args.mid(1);
        bool same = actual.size() == expected.size();
        for (qsizetype i = 0; same && i < actual.size(); ++i)
            same = lineMatches(expected[i], actual[i]);
        if (!same)
            fail(QStringLiteral("lines of %1: expected %2, actual %3")
                     .arg(l.args[0], joinQuoted(expected), joinQuoted(actual)));
    });
    expect("sent", 1, 1, [this](const ScenarioLine &l) {
        expectEqual(QStringLiteral("sent"), l.args[0], cp1254::decode(m_link->takeSent()));
    });
    expect("nothing-sent", 0, 0, [this](const ScenarioLine &) {
        expectEqual(QStringLiteral("sent"), QString(), cp1254::decode(m_link->takeSent()));
    });
    expect("played", 0, -1, [this](const ScenarioLine &l) {
        const QStringList actual = m_environment->takePlays();
        if (actual != l.args)
            fail(
                QStringLiteral("played: expected %1, actual %2").arg(joinQuoted(l.args), joinQuoted(actual)));
    });
    expect("sounding", 1, 1, [this](const ScenarioLine &l) {
        if (m_environment->sounding() != yesNo(l.args[0]))
            fail(QStringLiteral("sounding: expected %1").arg(l.args[0]));
    });
    expect("count", 2, 2, [this](const ScenarioLine &l) {
        control(l.args[0]);
        expectEqual(QStringLiteral("count of ") + l.args[0], QString::number(number(l.args[1])),
                    QString::number(client().windows().screen().lines(l.args[0]).size()));
    });
    expect("serial-sent", 1, 1, [this](const ScenarioLine &l) {
        expectEqual(QStringLiteral("serial-sent"), l.args[0], cp1254::decode(m_serialPort->takeSent()));
    });
    expect("pending", 1, 1, [this](const ScenarioLine &l) {
        expectEqual(QStringLiteral("pending"), l.args[0], client().state().pendingKind);
    });
}

void ScenarioRunner::addTableExpectations()
{
    auto expect = [this](const char *name, int minArgs, int maxArgs,
                         std::function<void(const ScenarioLine &)> run) {
        m_commands.insert(QStringLiteral("expect ") + QString::fromLatin1(name),
                          Command{minArgs, maxArgs, false, std::move(run)});
    };
    // value [ROW] SLOT NUMBER: equal when both print the same with 15 significant digits.
    expect("value", 2, 3, [this](const ScenarioLine &l) {
        const int row = l.args.size() == 3 ? number(l.args[0]) : 1;
        const int slot = number(l.args[l.args.size() - 2]);
        bool ok = false;
        const double expected = l.args.last().toDouble(&ok);
        if (!ok)
            fail(QStringLiteral("expected a number, got %1").arg(l.args.last()));
        const double actual = client().valueTable().value(row, slot);
        expectEqual(QStringLiteral("value %1 %2").arg(row).arg(slot), QString::number(expected, 'g', 15),
                    QString::number(actual, 'g', 15));
    });
    expect("raw", 5, 6, [this](const ScenarioLine &l) {
        const int row = l.args.size() == 6 ? number(l.args[0]) : 1;
        const int first = int(l.args.size()) - 5;
        const int slot = number(l.args[first]);
        QStringList actual;
        for (int k = 0; k < 4; ++k)
            actual << QString::number(client().valueTable().rawByte(row, slot, k));
        expectEqual(QStringLiteral("raw %1 %2").arg(row).arg(slot), l.args.mid(first + 1).join(u' '),
                    actual.join(u' '));
    });
    expect("cursor", 1, 1, [this](const ScenarioLine &l) {
        expectEqual(QStringLiteral("cursor"), QString::number(number(l.args[0])),
                    QString::number(client().valueTable().slotCursor()));
    });
}

} // namespace korvel
