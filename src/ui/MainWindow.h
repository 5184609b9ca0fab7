#pragma once

#include <QMainWindow>

class QMenu;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;

namespace korvel
{

class AlarmBar;
class GroupBar;

// The main window TFrmAna: top bar with the status labels and the activity lamp, the group bar on the
// left, the page control with the nine device views, the main menu and the tray icon.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

    GroupBar *groupBar() const { return m_groupBar; }
    QTabWidget *pages() const { return m_pages; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    // The tray menu after the link came up ("Aç", ..., "Kapat") instead of the one with "Kapat" only.
    void useConnectedTrayMenu();
    // The tray icon turns red while an input alarm waits.
    void setTrayAlarm(bool alarm);
    bool trayAlarm() const { return m_trayAlarm; }
    // Builds the pages not built yet (all but the first are left for after start-up); idempotent.
    void completePages();
    bool pagesComplete() const { return m_pagesComplete; }

Q_SIGNALS:
    void shown();
    void pagesCompleted();
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildMenu();
    QWidget *buildTopBar();
    QWidget *buildLeftPanel();
    void buildPages();
    void buildPage(int index);
    void buildTray();
    void restoreFromTray();

    GroupBar *m_groupBar = nullptr;
    AlarmBar *m_alarmBar = nullptr;
    QTabWidget *m_pages = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_connectedMenu = nullptr;
    QMenu *m_startMenu = nullptr;
    QTimer *m_trayAnimation = nullptr;
    int m_trayFrame = 0;
    bool m_shownOnce = false;
    bool m_trayAlarm = false;
    bool m_pagesComplete = false;
};

} // namespace korvel
