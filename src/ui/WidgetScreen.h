#pragma once

#include "core/Screen.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QSet>

#include <memory>

class QFileSystemWatcher;
class QObject;
class QTabWidget;
class QWidget;

namespace korvel
{

// The screen operations over the real windows. A control is found by its objectName in its window
// (the main window when the name has no window part) and remembered.
class WidgetScreen final : public Screen
{
public:
    // Lists keep their newest lines only, so that a client running for weeks stays the same size.
    static constexpr int maxLines = 10000;
    // A list also keeps its characters within this budget, so that a few huge received chunks cannot
    // fill the memory either; the newest line always stays, however long.
    static constexpr qsizetype maxListCharacters = 8 * 1024 * 1024;

    WidgetScreen();
    ~WidgetScreen() override;

    // complete, where given, builds the rest of a window that is built in part at first: it runs once, when
    // a control is not found in that window or the window is completed from outside (completeWindow).
    void addWindow(QWidget *window, std::function<void()> complete = {});
    void completeWindow(const QString &name);
    // Runs the action with the control now, or, while the control's window is still to be completed and
    // the control is not there yet, once it is: nothing can see or use the control before that.
    void withControl(const QString &control, std::function<void(QObject *)> action);
    QWidget *window(const QString &name) const;
    // The object behind a control name, or nullptr; subPart receives a trailing panel number (0: none).
    QObject *find(const QString &control, int *subPart = nullptr) const;

    void setCaption(const QString &control, const QString &text) override;
    QString caption(const QString &control) const override;
    void setColour(const QString &control, Colour colour) override;
    Colour colour(const QString &control) const override;
    void setVisible(const QString &control, bool visible) override;
    bool isVisible(const QString &control) const override;
    void setEnabled(const QString &control, bool enabled) override;
    bool isEnabled(const QString &control) const override;
    void setChecked(const QString &control, bool checked) override;
    bool isChecked(const QString &control) const override;
    void setPosition(const QString &control, int position) override;
    int position(const QString &control) const override;
    void appendLine(const QString &control, const QString &line) override;
    void appendOwnedLine(const QString &control, const QString &line) override;
    void removeFirstLines(const QString &control, qsizetype count) override;
    QStringList lines(const QString &control) const override;
    void setTabShown(int page, bool shown) override;
    bool isTabShown(int page) const override;
    void setActivePage(int page) override;
    int activePage() const override;
    bool setPicture(const QString &control, const QString &fileName) override;
    QString picture(const QString &control) const override;
    void whenBuilt(const QString &control, QObject *context, std::function<void()> action) override;
    void onClick(const QString &control, QObject *context, std::function<void()> action) override;
    void onChange(const QString &control, QObject *context, std::function<void()> action) override;
    void onShown(const QString &window, QObject *context, std::function<void()> action) override;
    void onClosed(const QString &window, QObject *context, std::function<void()> action) override;
    void setViewsDimmed(bool dimmed) override;
    bool viewsDimmed() const override { return !m_dimmedPages.isEmpty(); }
    void setPageDimmed(int page, bool dimmed) override;
    bool isPageDimmed(int page) const override { return m_dimmedPages.contains(page); }
    void setToolTip(const QString &control, const QString &text) override;
    QString toolTip(const QString &control) const override;
    void setFocus(const QString &control) override;
    void closeWindow(const QString &window) override;
    void showWindow(const QString &window) override;
    void repaint() override;
    void notify(const QString &title, const QString &text) override;
    // The last notification given, shown or not: title and text.
    QStringList lastNotification() const { return m_lastNotification; }
    void alert(const QString &window) override;
    // How often a window asked for attention.
    int alertCount() const { return m_alertCount; }

    QSize pictureSize(const QString &control) const override;
    void clearPicture(const QString &control, Colour colour) override;
    void fillRectangle(const QString &control, const QRect &area, Colour colour) override;
    void drawPolyline(const QString &control, const QList<QPoint> &points, Colour colour,
                      int penWidth) override;
    void drawText(const QString &control, QPoint at, const QString &text, Colour colour) override;
    void drawTitle(const QString &control, QPoint at, const QString &text, Colour colour) override;

private:
    QObject *lookup(const QString &window, const QString &control) const;
    QObject *findBuilt(const QString &control, int *subPart) const;
    void onWindowEvent(const QString &window, int eventType, QObject *context, std::function<void()> action);
    QTabWidget *pages() const;

    QHash<QString, QPointer<QWidget>> m_windows;
    QSet<int> m_dimmedPages;
    QHash<QString, std::function<void()>> m_completions;
    QList<std::function<void()>> m_waiting;
    struct Resolved {
        QPointer<QObject> object;
        int subPart = 0;
    };
    mutable QHash<QString, Resolved> m_cache;
    QHash<const QObject *, qsizetype> m_listCharacters;
    // Decoded picture files by the name they were asked for (the working directory stays the same while
    // the client runs), with the size and time stamp they were read at.
    struct Picture {
        QDateTime modified;
        qint64 size = 0;
        QPixmap pixmap;
        bool watched = false;
    };
    const Picture *loadPicture(const QString &fileName);
    QHash<QString, Picture> m_pictures;
    std::unique_ptr<QFileSystemWatcher> m_pictureWatcher;
    QStringList m_lastNotification;
    int m_alertCount = 0;
};

} // namespace korvel
