#include "ui/FleetWindow.h"

#include "fleet/FleetFilter.h"
#include "fleet/FleetOverview.h"
#include "fleet/MonthlyReport.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/SaveFolder.h"
#include "ui/widgets/EscapeCloses.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>
#include <memory>

namespace korvel
{

FleetWindow::FleetWindow(fleet::FleetOverview &overview, QWidget *parent)
    : QWidget(parent, Qt::Window), m_overview(overview),
      m_filter(new fleet::FleetFilter(overview.model(), this))
{
    setObjectName(QStringLiteral("TFrmGenelBakis"));
    EscapeCloses::install(*this);
    setWindowTitle(QStringLiteral("Genel Bakış"));
    resize(1300, 600);
    // Thirteen columns want the whole width of a laptop's screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        resize(size().boundedTo(screen->availableGeometry().size() - QSize(16, 40)));
        if (screen->availableGeometry().width() <= 1366)
            setWindowState(Qt::WindowMaximized);
    }

    m_group = new QComboBox(this);
    m_group->setObjectName(QStringLiteral("CmbGrup"));
    m_group->addItem(QStringLiteral("Tüm gruplar"), QString());
    for (const QString &g : overview.model().groups())
        addGroup(g);
    m_attention = new QCheckBox(QStringLiteral("Yalnızca dikkat gerektirenler"), this);
    m_attention->setObjectName(QStringLiteral("ChkDikkat"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("LblSayi"));

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("TblGenelBakis"));
    m_table->setModel(m_filter);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(-1, Qt::AscendingOrder);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // A fixed row height: the view need not measure ten thousand rows.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    const int widths[] = {125, 145, 60, 58, 80, 120, 50, 65, 72, 45, 118, 118, 250};
    for (int c = 0; c < int(std::size(widths)); ++c)
        m_table->setColumnWidth(c, widths[c]);
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Grup:"), this));
    filters->addWidget(m_group);
    filters->addWidget(m_attention);
    filters->addStretch();
    filters->addWidget(m_count);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table);

    connect(&overview.model(), &fleet::FleetModel::groupAdded, this, &FleetWindow::addGroup);
    connect(&overview, &fleet::FleetOverview::ticked, this, [this] {
        if (isVisible()) {
            m_filter->refilter();
            showCount();
        }
    });
    connect(m_group, &QComboBox::currentIndexChanged, this, [this] {
        m_filter->setGroup(m_group->currentData().toString());
        showCount();
    });
    connect(m_attention, &QCheckBox::toggled, this, [this](bool on) {
        m_filter->setAttentionOnly(on);
        showCount();
    });
    connect(m_table, &QTableView::doubleClicked, this,
            [this](const QModelIndex &index) { m_overview.select(m_filter->mapToSource(index).row()); });
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, &FleetWindow::showCount);
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, &FleetWindow::showCount);
    connect(m_filter, &QAbstractItemModel::modelReset, this, &FleetWindow::showCount);
    showCount();
}

void FleetWindow::addGroup(const QString &group)
{
    // The groups in alphabetical order after "Tüm gruplar".
    int at = 1;
    while (at < m_group->count() && m_group->itemData(at).toString() < group)
        ++at;
    m_group->insertItem(at, group, group);
}

void FleetWindow::showCount()
{
    m_count->setText(
        QStringLiteral("%1 / %2 cihaz").arg(m_filter->rowCount()).arg(m_overview.model().rowCount()));
}

void FleetWindow::install(ClientWindows &windows, fleet::FleetOverview &overview, QString historyFile,
                          Environment &environment)
{
    MainWindow &main = windows.main();
    auto *menu = main.menuBar()->findChild<QMenu *>(QStringLiteral("Cihaz1"));
    if (!menu)
        return;
    QAction *open = menu->addAction(QStringLiteral("Genel Bakış"));
    open->setObjectName(QStringLiteral("GenelBakis1"));
    QObject::connect(open, &QAction::triggered, &main, [&main, &overview] {
        auto *window = main.findChild<FleetWindow *>();
        if (!window)
            window = new FleetWindow(overview, &main);
        window->filter().refilter();
        window->show();
        window->raise();
    });
    if (historyFile.isEmpty())
        return;
    QAction *report = menu->addAction(QStringLiteral("Aylık rapor"));
    report->setObjectName(QStringLiteral("AylikRapor1"));
    QObject::connect(report, &QAction::triggered, &main, [&main, report, historyFile, &environment] {
        QInputDialog ask(&main);
        ask.setWindowTitle(QStringLiteral("Aylık rapor"));
        ask.setLabelText(QStringLiteral("Ay (YYYY-AA):"));
        ask.setTextValue(QDate::currentDate().toString(QStringLiteral("yyyy-MM")));
        ask.setOkButtonText(QStringLiteral("Tamam"));
        ask.setCancelButtonText(QStringLiteral("İptal"));
        if (ask.exec() != QDialog::Accepted)
            return;
        const QString month = ask.textValue();
        const QDate first = QDate::fromString(month.trimmed() + QStringLiteral("-01"), Qt::ISODate);
        if (!first.isValid()) {
            QMessageBox::warning(&main, QStringLiteral("Aylık rapor"),
                                 QStringLiteral("Ay YYYY-AA biçiminde yazılmalı, örneğin 2026-11."));
            return;
        }
        const QString path = SaveFolder::ask(
            &main, SaveFolder::folder(environment), QStringLiteral("Aylık rapor"),
            QStringLiteral("rapor-%1.pdf").arg(month.trimmed()), QStringLiteral("PDF dosyası (*.pdf)"));
        if (path.isEmpty())
            return;
        SaveFolder::remember(environment, path);
        // A month of many devices takes a while: it is written beside the window, which goes on
        // answering; the menu entry waits for it.
        report->setEnabled(false);
        auto error = std::make_shared<QString>();
        QThread *writer = QThread::create([path, first, historyFile, error, locale = QLocale()] {
            if (fleet::MonthlyReport::write({path, first, {}}, historyFile, locale, *error) == 0)
                error->clear();
        });
        QObject::connect(writer, &QThread::finished, &main, [&main, report, writer, error] {
            writer->deleteLater();
            report->setEnabled(true);
            if (!error->isEmpty())
                QMessageBox::warning(&main, QStringLiteral("Aylık rapor"), *error);
        });
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, writer, [writer] { writer->wait(); });
        writer->start();
    });
}

} // namespace korvel
