#include "ui/WidgetScreen.h"

#include "ui/StatusLine.h"
#include "ui/widgets/Canvas.h"
#include "ui/widgets/GroupHeaderDelegate.h"
#include "ui/widgets/Lamp.h"
#include "ui/widgets/NeedleMeter.h"
#include "ui/widgets/SevenSegmentDisplay.h"
#include "ui/widgets/TextSpinBox.h"
#include "ui/widgets/UrlLabel.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

namespace korvel
{

namespace
{
const QString mainWindow = QStringLiteral("TFrmAna");
// A progress bar keeps the value it was given, also past its maximum, beside the value it shows.
const char *rawValueProperty = "korvelRawValue";
// A picture control keeps the name of the file it shows, and which decoding of it.
const char *pictureProperty = "korvelPicture";
const char *pictureKeyProperty = "korvelPictureKey";
// A memo holds the text it was given, character for character: a text box shows CR LF, a lone CR and LF
// alike as a line break and gives a no-break space back as a blank, but readouts count the characters
// received. Once a person edits the memo it holds what the box shows. The held text also spares the box
// rebuilding its plain text from the layout on every ask, which readouts do several times per reply.
const char *memoTextProperty = "korvelMemoText";

QString memoText(QPlainTextEdit *memo)
{
    if (const QVariant kept = memo->property(memoTextProperty); kept.isValid())
        return kept.toString();
    const QString text = memo->toPlainText();
    if (!memo->property("korvelMemoWatched").toBool()) {
        memo->setProperty("korvelMemoWatched", true);
        QObject::connect(memo->document(), &QTextDocument::contentsChanged, memo,
                         [memo] { memo->setProperty(memoTextProperty, QVariant()); });
    }
    memo->setProperty(memoTextProperty, text);
    return text;
}

Colour toColour(const QColor &c)
{
    return rgb(c.red(), c.green(), c.blue());
}
QColor toQColor(Colour c)
{
    return QColor(int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF));
}

// Runs an action when its window receives one kind of event; lives as long as the context.
class WindowEventWatcher final : public QObject
{
public:
    WindowEventWatcher(QWidget *window, QEvent::Type type, QObject *context, std::function<void()> action)
        : QObject(context), m_window(window), m_type(type), m_action(std::move(action))
    {
        window->installEventFilter(this);
    }
    ~WindowEventWatcher() override
    {
        if (m_window)
            m_window->removeEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The window system's own show (a minimised window restored) is no new opening; its close (the
        // title bar's button) is a close like any other.
        if (watched == m_window && event->type() == m_type &&
            !(m_type == QEvent::Show && event->spontaneous()))
            m_action();
        return false;
    }

private:
    QPointer<QWidget> m_window;
    QEvent::Type m_type;
    std::function<void()> m_action;
};
} // namespace

void WidgetScreen::addWindow(QWidget *window, std::function<void()> complete)
{
    m_windows.insert(window->objectName(), window);
    if (complete)
        m_completions.insert(window->objectName(), std::move(complete));
}

void WidgetScreen::completeWindow(const QString &name)
{
    const auto it = m_completions.find(name);
    if (it == m_completions.end())
        return;
    const std::function<void()> complete = std::move(*it);
    m_completions.erase(it);
    complete();
    // Handlers wired before their controls existed.
    const QList<std::function<void()>> waiting = std::exchange(m_waiting, {});
    for (const auto &action : waiting)
        action();
}

QWidget *WidgetScreen::window(const QString &name) const
{
    if (QWidget *w = m_windows.value(name))
        return w;
    // A window built on its first opening ("Grafik", "Olaylar") belongs to one of these.
    for (QWidget *owner : m_windows) {
        auto *w = owner->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
        if (w && w->isWindow())
            return w;
    }
    return nullptr;
}

QObject *WidgetScreen::lookup(const QString &windowName, const QString &control) const
{
    QWidget *w = window(windowName);
    if (!w)
        return nullptr;
    return control.isEmpty() ? w : w->findChild<QObject *>(control);
}

QObject *WidgetScreen::find(const QString &control, int *subPart) const
{
    if (QObject *found = findBuilt(control, subPart))
        return found;
    if (m_completions.isEmpty())
        return nullptr;
    // A control not built yet: its window is completed first, just as if it had been whole all along.
    const QString first = control.section(QLatin1Char('.'), 0, 0);
    const QString windowName = window(first) ? first : mainWindow;
    if (!m_completions.contains(windowName))
        return nullptr;
    const_cast<WidgetScreen *>(this)->completeWindow(windowName);
    return findBuilt(control, subPart);
}

QObject *WidgetScreen::findBuilt(const QString &control, int *subPart) const
{
    // The renderer names the same controls every second: a name is resolved once and remembered.
    if (auto it = m_cache.constFind(control); it != m_cache.cend() && it->object) {
        if (subPart)
            *subPart = it->subPart;
        return it->object;
    }
    QStringList parts = control.split(QLatin1Char('.'));
    int sub = 0;
    if (parts.size() > 1) {
        bool isNumber = false;
        const int n = parts.last().toInt(&isNumber);
        if (isNumber) {
            sub = n;
            parts.removeLast();
        }
    }
    if (subPart)
        *subPart = sub;
    QObject *found = nullptr;
    if (parts.size() == 1)
        found = window(parts[0]) ? lookup(parts[0], QString()) : lookup(mainWindow, parts[0]);
    else
        found = lookup(parts[0], parts.mid(1).join(QLatin1Char('.')));
    if (found)
        m_cache.insert(control, {found, sub});
    return found;
}

WidgetScreen::WidgetScreen() = default;
WidgetScreen::~WidgetScreen() = default;

void WidgetScreen::withControl(const QString &control, std::function<void(QObject *)> action)
{
    if (QObject *found = findBuilt(control, nullptr); found || m_completions.isEmpty()) {
        action(found);
        return;
    }
    m_waiting.append([this, control, action = std::move(action)] { action(find(control)); });
}

void WidgetScreen::setCaption(const QString &control, const QString &text)
{
    int sub = 0;
    QObject *o = find(control, &sub);
    if (auto *status = qobject_cast<StatusLine *>(o)) {
        sub ? status->setPanelText(sub, text) : status->setSimpleText(text);
    } else if (auto *label = qobject_cast<QLabel *>(o)) {
        if (label->text() != text)
            label->setText(text);
    } else if (auto *edit = qobject_cast<QLineEdit *>(o)) {
        if (edit->text() != text)
            edit->setText(text);
    } else if (auto *memo = qobject_cast<QPlainTextEdit *>(o)) {
        const QString current = memoText(memo);
        if (!current.isEmpty() && text.size() > current.size() && text.startsWith(current)) {
            // Text added at the end (a readout arriving in parts): only the new part is laid out.
            QTextCursor end(memo->document());
            end.movePosition(QTextCursor::End);
            end.insertText(text.mid(current.size()));
        } else if (current != text) {
            memo->setPlainText(text);
        }
        // The change above let go of the held text; hold the text as given, not as the box shows it.
        memo->setProperty(memoTextProperty, text);
    } else if (auto *spin = qobject_cast<TextSpinBox *>(o)) {
        if (spin->text() != text)
            spin->setText(text);
    } else if (auto *button = qobject_cast<QAbstractButton *>(o)) {
        button->setText(text);
    } else if (auto *action = qobject_cast<QAction *>(o)) {
        action->setText(text);
    } else if (auto *menu = qobject_cast<QMenu *>(o)) {
        menu->setTitle(text);
    } else if (auto *group = qobject_cast<QGroupBox *>(o)) {
        group->setTitle(text);
    } else if (auto *w = qobject_cast<QWidget *>(o); w && w->isWindow()) {
        w->setWindowTitle(text);
    }
}

QString WidgetScreen::caption(const QString &control) const
{
    int sub = 0;
    QObject *o = find(control, &sub);
    if (auto *status = qobject_cast<StatusLine *>(o))
        return sub ? status->panelText(sub) : status->simpleText();
    if (auto *label = qobject_cast<QLabel *>(o))
        return label->text();
    if (auto *edit = qobject_cast<QLineEdit *>(o))
        return edit->text();
    if (auto *memo = qobject_cast<QPlainTextEdit *>(o))
        return memoText(memo);
    if (auto *button = qobject_cast<QAbstractButton *>(o))
        return button->text();
    if (auto *action = qobject_cast<QAction *>(o))
        return action->text();
    if (auto *menu = qobject_cast<QMenu *>(o))
        return menu->title();
    if (auto *group = qobject_cast<QGroupBox *>(o))
        return group->title();
    if (auto *box = qobject_cast<QComboBox *>(o))
        return box->currentText();
    if (auto *spin = qobject_cast<QAbstractSpinBox *>(o))
        return spin->text();
    if (auto *canvas = qobject_cast<Canvas *>(o))
        return canvas->title();
    if (auto *w = qobject_cast<QWidget *>(o); w && w->isWindow())
        return w->windowTitle();
    return {};
}

void WidgetScreen::setColour(const QString &control, Colour colour)
{
    QObject *o = find(control);
    if (auto *link = qobject_cast<UrlLabel *>(o)) {
        link->setUnvisitedColour(colour);
    } else if (auto *lamp = qobject_cast<Lamp *>(o)) {
        lamp->setBrushColour(colour);
    } else if (auto *display = qobject_cast<SevenSegmentDisplay *>(o)) {
        display->setLitColour(colour);
    } else if (auto *w = qobject_cast<QWidget *>(o)) {
        QPalette palette = w->palette();
        const QColor c = toQColor(colour);
        if (palette.color(QPalette::WindowText) == c && palette.color(QPalette::Text) == c)
            return;
        palette.setColor(QPalette::WindowText, c);
        palette.setColor(QPalette::Text, c);
        palette.setColor(QPalette::ButtonText, c);
        w->setPalette(palette);
    }
}

Colour WidgetScreen::colour(const QString &control) const
{
    QObject *o = find(control);
    if (auto *link = qobject_cast<UrlLabel *>(o))
        return link->shownColour();
    if (auto *lamp = qobject_cast<Lamp *>(o))
        return lamp->brushColour();
    if (auto *display = qobject_cast<SevenSegmentDisplay *>(o))
        return display->litColour();
    if (auto *w = qobject_cast<QWidget *>(o))
        return toColour(w->palette().color(QPalette::WindowText));
    return 0;
}

void WidgetScreen::setVisible(const QString &control, bool visible)
{
    QObject *o = find(control);
    if (auto *action = qobject_cast<QAction *>(o))
        action->setVisible(visible);
    else if (auto *w = qobject_cast<QWidget *>(o); w && w->isHidden() == visible)
        w->setVisible(visible);
}

bool WidgetScreen::isVisible(const QString &control) const
{
    QObject *o = find(control);
    if (auto *action = qobject_cast<QAction *>(o))
        return action->isVisible();
    if (auto *w = qobject_cast<QWidget *>(o))
        return w->isWindow() ? w->isVisible() : !w->isHidden();
    return false;
}

void WidgetScreen::setEnabled(const QString &control, bool enabled)
{
    QObject *o = find(control);
    if (auto *action = qobject_cast<QAction *>(o))
        action->setEnabled(enabled);
    else if (auto *w = qobject_cast<QWidget *>(o))
        w->setEnabled(enabled);
}

bool WidgetScreen::isEnabled(const QString &control) const
{
    QObject *o = find(control);
    if (auto *action = qobject_cast<QAction *>(o))
        return action->isEnabled();
    if (auto *w = qobject_cast<QWidget *>(o))
        return !w->testAttribute(Qt::WA_Disabled);
    return false;
}

void WidgetScreen::setChecked(const QString &control, bool checked)
{
    QObject *o = find(control);
    if (auto *action = qobject_cast<QAction *>(o); action && action->isChecked() != checked) {
        action->setChecked(checked);
        return;
    }
    auto *button = qobject_cast<QAbstractButton *>(o);
    if (!button || button->isChecked() == checked)
        return;
    // A choice of a group cannot be cleared while it is exclusive; clearing it leaves no choice made.
    const bool exclusive = button->autoExclusive();
    if (!checked && exclusive)
        button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

bool WidgetScreen::isChecked(const QString &control) const
{
    QObject *o = find(control);
    if (auto *action = qobject_cast<QAction *>(o))
        return action->isChecked();
    auto *button = qobject_cast<QAbstractButton *>(o);
    return button && button->isChecked();
}

void WidgetScreen::setPosition(const QString &control, int position)
{
    QObject *o = find(control);
    if (auto *meter = qobject_cast<NeedleMeter *>(o)) {
        meter->setPosition(position);
    } else if (auto *bar = qobject_cast<QProgressBar *>(o)) {
        bar->setProperty(rawValueProperty, position);
        bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
    } else if (auto *spin = qobject_cast<QSpinBox *>(o)) {
        spin->setValue(position);
    } else if (auto *textSpin = qobject_cast<TextSpinBox *>(o)) {
        textSpin->setValue(position);
    }
}

int WidgetScreen::position(const QString &control) const
{
    QObject *o = find(control);
    if (auto *meter = qobject_cast<NeedleMeter *>(o))
        return meter->position();
    if (auto *bar = qobject_cast<QProgressBar *>(o)) {
        const QVariant raw = bar->property(rawValueProperty);
        return raw.isValid() ? raw.toInt() : bar->value();
    }
    if (auto *spin = qobject_cast<QSpinBox *>(o))
        return spin->value();
    if (auto *textSpin = qobject_cast<TextSpinBox *>(o))
        return textSpin->text().trimmed().toInt();
    if (auto *list = qobject_cast<QListWidget *>(o)) {
        const QListWidgetItem *current = list->currentItem();
        return current && current->isSelected() ? list->currentRow() : -1;
    }
    return 0;
}

void WidgetScreen::appendLine(const QString &control, const QString &line)
{
    QObject *o = find(control);
    if (auto *list = qobject_cast<QListWidget *>(o)) {
        list->addItem(line);
        qsizetype &characters = m_listCharacters[list];
        characters += line.size();
        while (list->count() > maxLines || (characters > maxListCharacters && list->count() > 1)) {
            QListWidgetItem *oldest = list->takeItem(0);
            characters -= oldest->text().size();
            delete oldest;
        }
    } else if (auto *memo = qobject_cast<QPlainTextEdit *>(o)) {
        memo->setMaximumBlockCount(maxLines);
        memo->appendPlainText(line);
    }
}

void WidgetScreen::appendOwnedLine(const QString &control, const QString &line)
{
    if (auto *list = qobject_cast<QListWidget *>(find(control)))
        list->addItem(line);
}

void WidgetScreen::removeFirstLines(const QString &control, qsizetype count)
{
    auto *list = qobject_cast<QListWidget *>(find(control));
    if (!list)
        return;
    for (; count > 0 && list->count() > 0; --count) {
        QListWidgetItem *oldest = list->takeItem(0);
        if (const auto characters = m_listCharacters.find(list); characters != m_listCharacters.end())
            *characters -= oldest->text().size();
        delete oldest;
    }
}

QStringList WidgetScreen::lines(const QString &control) const
{
    QObject *o = find(control);
    QStringList result;
    if (auto *list = qobject_cast<QListWidget *>(o)) {
        // As a person reads them: a list that draws some lines differently shows their text its way.
        const auto *headers = qobject_cast<GroupHeaderDelegate *>(list->itemDelegate());
        for (int i = 0; i < list->count(); ++i)
            result << (headers ? GroupHeaderDelegate::shownText(list->item(i)->text())
                               : list->item(i)->text());
    } else if (auto *table = qobject_cast<QTableWidget *>(o)) {
        // A row as its cells, left to right.
        for (int row = 0; row < table->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < table->columnCount(); ++column)
                cells << (table->item(row, column) ? table->item(row, column)->text() : QString());
            result << cells.join(QStringLiteral(" | "));
        }
    } else if (auto *view = qobject_cast<QTableView *>(o)) {
        // A table over a model: its rows as the view orders them.
        const QAbstractItemModel *model = view->model();
        for (int row = 0; model && row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < model->columnCount(); ++column)
                cells << model->index(row, column).data().toString();
            result << cells.join(QStringLiteral(" | "));
        }
    } else if (auto *memo = qobject_cast<QPlainTextEdit *>(o)) {
        // Lines as the box shows them: CR LF, a lone CR and LF each end one.
        QString text = memoText(memo);
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
            .replace(QLatin1Char('\r'), QLatin1Char('\n'));
        result = text.split(QLatin1Char('\n'));
    }
    return result;
}

QTabWidget *WidgetScreen::pages() const
{
    return qobject_cast<QTabWidget *>(lookup(mainWindow, QStringLiteral("suiPageControl1")));
}

void WidgetScreen::setTabShown(int page, bool shown)
{
    if (QTabWidget *tabs = pages(); tabs && page >= 0 && page < tabs->count())
        tabs->setTabVisible(page, shown);
}

bool WidgetScreen::isTabShown(int page) const
{
    QTabWidget *tabs = pages();
    return tabs && page >= 0 && page < tabs->count() && tabs->isTabVisible(page);
}

void WidgetScreen::setActivePage(int page)
{
    if (QTabWidget *tabs = pages(); tabs && page >= 0 && page < tabs->count())
        tabs->setCurrentIndex(page);
}

int WidgetScreen::activePage() const
{
    QTabWidget *tabs = pages();
    return tabs ? tabs->currentIndex() : -1;
}

bool WidgetScreen::setPicture(const QString &control, const QString &fileName)
{
    auto *label = qobject_cast<QLabel *>(find(control));
    if (!label)
        return false;
    if (fileName.isEmpty()) {
        label->clear();
        label->setProperty(pictureProperty, QString());
        label->setProperty(pictureKeyProperty, QVariant());
        return true;
    }
    const Picture *picture = loadPicture(fileName);
    if (!picture)
        return false;
    if (label->property(pictureKeyProperty).toLongLong() != picture->pixmap.cacheKey() ||
        label->property(pictureProperty).toString() != fileName) {
        label->setPixmap(picture->pixmap);
        label->setProperty(pictureProperty, fileName);
        label->setProperty(pictureKeyProperty, picture->pixmap.cacheKey());
    }
    return true;
}

void WidgetScreen::setViewsDimmed(bool dimmed)
{
    if (QTabWidget *tabs = pages()) {
        for (int page = 0; page < tabs->count(); ++page)
            setPageDimmed(page, dimmed);
    }
}

void WidgetScreen::setPageDimmed(int page, bool dimmed)
{
    QTabWidget *tabs = pages();
    if (!tabs || page < 0 || page >= tabs->count() || m_dimmedPages.contains(page) == dimmed)
        return;
    if (dimmed)
        m_dimmedPages.insert(page);
    else
        m_dimmedPages.remove(page);
    // Every display of the page, also of parts not built yet, so that none is missed.
    completeWindow(mainWindow);
    QWidget *view = tabs->widget(page);
    for (auto *display : view->findChildren<SevenSegmentDisplay *>())
        display->setDimmed(dimmed);
    for (auto *lamp : view->findChildren<Lamp *>())
        lamp->setDimmed(dimmed);
    for (auto *meter : view->findChildren<NeedleMeter *>())
        meter->setDimmed(dimmed);
    // The large readings take their colour from their panel's style sheet, which has a dimmed rule.
    for (auto *label : view->findChildren<QLabel *>()) {
        if (label->property("reading").toBool() && label->property("dimmed").toBool() != dimmed) {
            label->setProperty("dimmed", dimmed);
            label->style()->unpolish(label);
            label->style()->polish(label);
        }
    }
}

void WidgetScreen::setToolTip(const QString &control, const QString &text)
{
    if (auto *w = qobject_cast<QWidget *>(find(control)))
        w->setToolTip(text);
    else if (auto *action = qobject_cast<QAction *>(find(control)))
        action->setToolTip(text);
}

QString WidgetScreen::toolTip(const QString &control) const
{
    if (auto *w = qobject_cast<QWidget *>(find(control)))
        return w->toolTip();
    if (auto *action = qobject_cast<QAction *>(find(control)))
        return action->toolTip();
    return {};
}

const WidgetScreen::Picture *WidgetScreen::loadPicture(const QString &fileName)
{
    // A decoded file is kept while it stays as it was read: the watcher drops it as soon as the file
    // changes or disappears, so the rule for a picture that cannot be loaded still holds for a file
    // removed while the client runs. Without a watch the file is looked up (a stat) on every call.
    if (const auto kept = m_pictures.constFind(fileName); kept != m_pictures.cend()) {
        if (kept->watched)
            return &*kept;
        const QFileInfo file(fileName);
        if (file.isFile() && file.isReadable() && file.lastModified() == kept->modified &&
            file.size() == kept->size)
            return &*kept;
        m_pictures.remove(fileName);
    }
    const QFileInfo file(fileName);
    if (!file.isFile() || !file.isReadable())
        return nullptr;
    Picture picture{file.lastModified(), file.size(), QPixmap(), false};
    if (!picture.pixmap.load(fileName))
        return nullptr;
    if (!m_pictureWatcher) {
        m_pictureWatcher = std::make_unique<QFileSystemWatcher>();
        QObject::connect(m_pictureWatcher.get(), &QFileSystemWatcher::fileChanged, m_pictureWatcher.get(),
                         [this](const QString &path) {
                             m_pictures.remove(path);
                             m_pictureWatcher->removePath(path);
                         });
    }
    picture.watched = m_pictureWatcher->addPath(fileName);
    return &*m_pictures.insert(fileName, std::move(picture));
}

QString WidgetScreen::picture(const QString &control) const
{
    QObject *o = find(control);
    return o ? o->property(pictureProperty).toString() : QString();
}

void WidgetScreen::whenBuilt(const QString &control, QObject *context, std::function<void()> action)
{
    withControl(control, [context = QPointer<QObject>(context), action = std::move(action)](QObject *) {
        if (context)
            action();
    });
}

void WidgetScreen::onClick(const QString &control, QObject *context, std::function<void()> action)
{
    withControl(control,
                [control, context = QPointer<QObject>(context), action = std::move(action)](QObject *o) {
                    if (!context)
                        return;
                    if (auto *button = qobject_cast<QAbstractButton *>(o))
                        QObject::connect(button, &QAbstractButton::clicked, context, [action] { action(); });
                    else if (auto *menuEntry = qobject_cast<QAction *>(o))
                        QObject::connect(menuEntry, &QAction::triggered, context, [action] { action(); });
                    else
                        qWarning("korvel: no clickable control named %s", qPrintable(control));
                });
}

void WidgetScreen::onChange(const QString &control, QObject *context, std::function<void()> action)
{
    withControl(control,
                [control, context = QPointer<QObject>(context), action = std::move(action)](QObject *o) {
                    if (!context)
                        return;
                    auto run = [action] { action(); };
                    if (auto *edit = qobject_cast<QLineEdit *>(o))
                        QObject::connect(edit, &QLineEdit::textChanged, context, run);
                    else if (auto *memo = qobject_cast<QPlainTextEdit *>(o))
                        QObject::connect(memo, &QPlainTextEdit::textChanged, context, run);
                    else if (auto *textSpin = qobject_cast<TextSpinBox *>(o))
                        QObject::connect(textSpin, &TextSpinBox::textChanged, context, run);
                    else if (auto *spin = qobject_cast<QSpinBox *>(o))
                        QObject::connect(spin, &QSpinBox::valueChanged, context, run);
                    else if (auto *button = qobject_cast<QAbstractButton *>(o))
                        QObject::connect(button, &QAbstractButton::toggled, context, run);
                    else if (auto *menuEntry = qobject_cast<QAction *>(o))
                        QObject::connect(menuEntry, &QAction::toggled, context, run);
                    else if (auto *picker = qobject_cast<QDateEdit *>(o))
                        QObject::connect(picker, &QDateEdit::dateChanged, context, run);
                    else if (auto *list = qobject_cast<QListWidget *>(o))
                        QObject::connect(list, &QListWidget::itemSelectionChanged, context, run);
                    else if (auto *combo = qobject_cast<QComboBox *>(o))
                        QObject::connect(combo, &QComboBox::currentIndexChanged, context, run);
                    else if (auto *tabs = qobject_cast<QTabWidget *>(o))
                        QObject::connect(tabs, &QTabWidget::currentChanged, context, run);
                    else
                        qWarning("korvel: no changeable control named %s", qPrintable(control));
                });
}

void WidgetScreen::onWindowEvent(const QString &name, int eventType, QObject *context,
                                 std::function<void()> action)
{
    if (QWidget *w = window(name))
        new WindowEventWatcher(w, QEvent::Type(eventType), context, std::move(action));
    else
        qWarning("korvel: no window named %s", qPrintable(name));
}

void WidgetScreen::onShown(const QString &window, QObject *context, std::function<void()> action)
{
    onWindowEvent(window, QEvent::Show, context, std::move(action));
}

void WidgetScreen::onClosed(const QString &window, QObject *context, std::function<void()> action)
{
    onWindowEvent(window, QEvent::Close, context, std::move(action));
}

void WidgetScreen::setFocus(const QString &control)
{
    if (auto *w = qobject_cast<QWidget *>(find(control)))
        w->setFocus();
}

void WidgetScreen::closeWindow(const QString &name)
{
    if (QWidget *w = window(name))
        w->close();
}

void WidgetScreen::showWindow(const QString &name)
{
    if (QWidget *w = window(name)) {
        w->show();
        w->raise();
    }
}

void WidgetScreen::repaint()
{
    if (QWidget *w = window(mainWindow))
        w->update();
}

void WidgetScreen::notify(const QString &title, const QString &text)
{
    m_lastNotification = {title, text};
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (QWidget *w = window(mainWindow)) {
        if (auto *tray = w->findChild<QSystemTrayIcon *>())
            tray->showMessage(title, text, QSystemTrayIcon::Warning);
    }
}

void WidgetScreen::alert(const QString &name)
{
    ++m_alertCount;
    if (QWidget *w = window(name))
        QApplication::alert(w);
}

QSize WidgetScreen::pictureSize(const QString &control) const
{
    auto *canvas = qobject_cast<Canvas *>(find(control));
    return canvas ? canvas->image().size() : QSize();
}

void WidgetScreen::clearPicture(const QString &control, Colour colour)
{
    if (auto *canvas = qobject_cast<Canvas *>(find(control)))
        canvas->clear(toQColor(colour));
}

void WidgetScreen::fillRectangle(const QString &control, const QRect &area, Colour colour)
{
    if (auto *canvas = qobject_cast<Canvas *>(find(control)))
        canvas->fillRectangle(area, toQColor(colour));
}

void WidgetScreen::drawPolyline(const QString &control, const QList<QPoint> &points, Colour colour,
                                int penWidth)
{
    if (auto *canvas = qobject_cast<Canvas *>(find(control)))
        canvas->drawPolyline(points, toQColor(colour), penWidth);
}

void WidgetScreen::drawText(const QString &control, QPoint at, const QString &text, Colour colour)
{
    if (auto *canvas = qobject_cast<Canvas *>(find(control)))
        canvas->drawText(at, text, toQColor(colour));
}

void WidgetScreen::drawTitle(const QString &control, QPoint at, const QString &text, Colour colour)
{
    if (auto *canvas = qobject_cast<Canvas *>(find(control)))
        canvas->drawTitle(at, text, toQColor(colour));
}

} // namespace korvel
