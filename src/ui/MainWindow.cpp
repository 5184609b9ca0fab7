#include "ui/MainWindow.h"

#include "ui/AlarmBar.h"
#include "ui/DevicePages.h"
#include "ui/FormBuilder.h"
#include "ui/widgets/GroupBar.h"
#include "ui/widgets/Lamp.h"
#include "ui/widgets/UrlLabel.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <iterator>

namespace korvel
{

namespace
{
QAction *namedAction(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

// One frame of the tray animation: a lamp whose glow pulses, red while an alarm waits.
QIcon trayFrame(int frame, bool alarm)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const int glow = 120 + 30 * (frame % 5);
    p.setBrush(alarm ? QColor(glow + 75, 0, 0) : QColor(0, glow, 0));
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setPen(QPen(QColor(255, 255, 255, 200), 2));
    p.drawText(pixmap.rect(), Qt::AlignCenter, alarm ? QStringLiteral("!") : QStringLiteral("K"));
    return QIcon(pixmap);
}
} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("TFrmAna"));
    setWindowTitle(QStringLiteral("FrmAna"));
    resize(1280, 800);
    // Never larger than the screen at start, leaving room for the window frame.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        resize(size().boundedTo(screen->availableGeometry().size() - QSize(16, 40)));
        // A laptop's screen is all needed: the views are laid out to fit 1366×768 without scrolling.
        if (screen->availableGeometry().width() <= 1366)
            setWindowState(Qt::WindowMaximized);
    }

    buildMenu();
    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(buildTopBar());
    m_alarmBar = new AlarmBar(central);
    connect(m_alarmBar, &AlarmBar::raisedChanged, this, &MainWindow::setTrayAlarm);
    outer->addWidget(m_alarmBar);
    auto *body = new QHBoxLayout;
    body->setSpacing(0);
    body->addWidget(buildLeftPanel());
    m_pages = new QTabWidget(central);
    m_pages->setObjectName(QStringLiteral("suiPageControl1"));
    body->addWidget(m_pages, 1);
    outer->addLayout(body, 1);
    setCentralWidget(central);
    // The history's faults stay here until they are over; shown only while there is one.
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(form::label(statusBar(), QStringLiteral("LblGecmis"), QString()), 1);
    statusBar()->hide();
    buildPages();
    buildTray();
}

void MainWindow::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu *device = bar->addMenu(QStringLiteral("Cihaz"));
    device->setObjectName(QStringLiteral("Cihaz1"));
    namedAction(device, QStringLiteral("Haberlesme1"), QStringLiteral("Haberlesme"))->setVisible(false);
    namedAction(device, QStringLiteral("Veri1"), QStringLiteral("Veri"))->setVisible(false);
    QAction *reconnect = namedAction(device, QStringLiteral("OtomatikYenidenBaglan1"),
                                     QStringLiteral("Otomatik Yeniden Bağlan"));
    reconnect->setCheckable(true);
    reconnect->setChecked(true);
    namedAction(device, QStringLiteral("OturumuKapat1"), QStringLiteral("Oturumu Kapat"));
    QMenu *messages = bar->addMenu(QStringLiteral("Mesajlar"));
    messages->setObjectName(QStringLiteral("Mesajlar1"));
    namedAction(messages, QStringLiteral("Oku1"), QStringLiteral("Yeni Mesajları Oku"));
    auto *active = new QAction(QStringLiteral("Aktif Cihaz: 0"), this);
    active->setObjectName(QStringLiteral("AktifCihaz1"));
    bar->addAction(active);
    // Silences a sounding input alarm also when its window stays hidden; shown only while it sounds.
    auto *silence = new QAction(QStringLiteral("Alarmı Sustur"), this);
    silence->setObjectName(QStringLiteral("AlarmiSustur1"));
    silence->setVisible(false);
    bar->addAction(silence);
    QMenu *help = bar->addMenu(QStringLiteral("Yardım"));
    help->setObjectName(QStringLiteral("Yardim1"));
    namedAction(help, QStringLiteral("Hakkinda1"), QStringLiteral("Hakkında"));
}

QWidget *MainWindow::buildTopBar()
{
    auto *top = form::panel(this, QStringLiteral("PanelUst"));
    top->setAutoFillBackground(true);
    QPalette palette = top->palette();
    palette.setColor(QPalette::Window, QColor(32, 40, 52));
    palette.setColor(QPalette::WindowText, QColor(230, 230, 230));
    top->setPalette(palette);
    auto *layout = new QHBoxLayout(top);
    layout->setContentsMargins(8, 4, 8, 4);
    Lamp *lamp = form::lamp(top, QStringLiteral("Shape1"));
    lamp->setShape(Lamp::Shape::RoundedRect);
    lamp->setFixedSize(34, 14);
    lamp->setBrushColour(0xFFFFFF);
    QLabel *message = form::label(top, QStringLiteral("LblMesaj"), QString());
    QLabel *outgoing = form::label(top, QStringLiteral("LblGiden"), QString());
    message->setMinimumWidth(420);
    layout->addWidget(lamp);
    layout->addWidget(message, 2);
    layout->addWidget(outgoing, 1);
    return top;
}

QWidget *MainWindow::buildLeftPanel()
{
    auto *left = form::panel(this, QStringLiteral("PanelSol"));
    left->setFixedWidth(241);
    auto *layout = new QVBoxLayout(left);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *news = new UrlLabel(QStringLiteral("Yeni mesajınız var.Okumak için tıklayın... "), left);
    news->setObjectName(QStringLiteral("RzURLLabel1"));
    // Its place is kept while it is hidden, so that the device items never move under the pointer when
    // a message arrives.
    QSizePolicy policy = news->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    news->setSizePolicy(policy);
    // The whole text, wrapped to the width of the panel.
    news->setFixedHeight(news->heightForWidth(left->width()));
    news->hide();
    layout->addWidget(news);
    m_groupBar = new GroupBar(left);
    m_groupBar->setObjectName(QStringLiteral("RzGroupBar1"));
    layout->addWidget(m_groupBar, 1);
    return left;
}

namespace
{
const char *const pageCaptions[] = {"Analizör-Ani Değerler", "Analizör-Tüketim Değerleri",
                                    "Aşırı Akım Rölesi",     "Harmonikler",
                                    "Kondansatör Durumları", "Ayarlar",
                                    "Sayaç Okuma",           "Doğal Gaz",
                                    "Sayaç Okuma Ayrıntı"};
QWidget *(*const pageBuilders[])(QWidget *) = {
    pages::instantValues, pages::consumption,  pages::overcurrentRelay, pages::harmonics,  pages::capacitors,
    pages::settings,      pages::meterReading, pages::naturalGas,       pages::meterDetail};
constexpr int pageCount = int(std::size(pageBuilders));
} // namespace

void MainWindow::buildPages()
{
    // The tabs come at once, the pages' content later: completePages() builds it right after the login
    // window is on the screen (the first page shows behind it a moment later), or as soon as anything
    // asks for one of their controls.
    for (int i = 0; i < pageCount; ++i) {
        // A page keeps its designed layout; on a screen smaller than that it scrolls instead of being cut.
        auto *scroll = new QScrollArea(m_pages);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        m_pages->addTab(scroll, QString::fromUtf8(pageCaptions[i]));
    }
    m_pages->setTabVisible(7, false);
    connect(m_pages, &QTabWidget::currentChanged, this, &MainWindow::completePages);
}

void MainWindow::buildPage(int index)
{
    auto *scroll = static_cast<QScrollArea *>(m_pages->widget(index));
    if (scroll->widget())
        return;
    QWidget *page = pageBuilders[index](m_pages);
    page->setObjectName(QStringLiteral("TabSheet%1").arg(index + 1));
    scroll->setWidget(page);
}

void MainWindow::completePages()
{
    if (m_pagesComplete)
        return;
    m_pagesComplete = true;
    for (int i = 0; i < pageCount; ++i)
        buildPage(i);
    Q_EMIT pagesCompleted();
}

void MainWindow::buildTray()
{
    m_startMenu = new QMenu(this);
    m_startMenu->setObjectName(QStringLiteral("PopupMenu2"));
    connect(namedAction(m_startMenu, QStringLiteral("Kapat2"), QStringLiteral("Kapat")), &QAction::triggered,
            this, &QWidget::close);

    m_connectedMenu = new QMenu(this);
    m_connectedMenu->setObjectName(QStringLiteral("PopupMenu1"));
    connect(namedAction(m_connectedMenu, QStringLiteral("Ac1"), QStringLiteral("Aç")), &QAction::triggered,
            this, &MainWindow::restoreFromTray);
    QMenu *compensation = m_connectedMenu->addMenu(QStringLiteral("Kompanzasyon Tabiki"));
    compensation->setObjectName(QStringLiteral("KompanzasyonTabiki1"));
    compensation->setEnabled(false);
    namedAction(compensation, QStringLiteral("KritikSeviye1"),
                QStringLiteral("Kritik Seviyedeki Cihazları Listele"))
        ->setEnabled(false);
    namedAction(compensation, QStringLiteral("CezaDurumu1"),
                QStringLiteral("Ceza Durumundaki Cihazları Listele"))
        ->setEnabled(false);
    namedAction(m_connectedMenu, QStringLiteral("MesajlarimiOku1"), QStringLiteral("Mesajlarımı Oku"));
    namedAction(m_connectedMenu, QStringLiteral("RivodovMesajGonder1"),
                QStringLiteral("Rivodov Mesaj Gönder"))
        ->setEnabled(false);
    connect(namedAction(m_connectedMenu, QStringLiteral("Kapat1"), QStringLiteral("Kapat")),
            &QAction::triggered, this, &QWidget::close);

    m_tray = new QSystemTrayIcon(trayFrame(0, false), this);
    m_tray->setObjectName(QStringLiteral("RzTrayIcon1"));
    m_tray->setToolTip(QStringLiteral("Korvel"));
    m_tray->setContextMenu(m_startMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            restoreFromTray();
    });
    m_trayAnimation = new QTimer(this);
    m_trayAnimation->setInterval(200);
    connect(m_trayAnimation, &QTimer::timeout, this,
            [this] { m_tray->setIcon(trayFrame(++m_trayFrame, m_trayAlarm)); });
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray->show();
        m_trayAnimation->start();
    }
}

void MainWindow::useConnectedTrayMenu()
{
    m_tray->setContextMenu(m_connectedMenu);
}

void MainWindow::setTrayAlarm(bool alarm)
{
    m_trayAlarm = alarm;
    m_tray->setIcon(trayFrame(m_trayFrame, alarm));
    m_tray->setToolTip(alarm ? QStringLiteral("Korvel: ALARM") : QStringLiteral("Korvel"));
}

void MainWindow::restoreFromTray()
{
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        Q_EMIT shown();
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    Q_EMIT closed();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Minimising hides the window to the tray, where there is one to bring it back.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_tray->isVisible())
        QTimer::singleShot(0, this, &QWidget::hide);
}

} // namespace korvel
