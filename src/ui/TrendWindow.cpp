#include "ui/TrendWindow.h"

#include "alerts/AlarmBoard.h"
#include "core/ClientParts.h"
#include "core/ClientState.h"
#include "core/DeviceList.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "history/CsvExporter.h"
#include "history/HistoryReader.h"
#include "history/Quantities.h"
#include "ui/FormBuilder.h"
#include "ui/MainWindow.h"
#include "ui/SaveFolder.h"
#include "ui/TrendChart.h"
#include "ui/widgets/EscapeCloses.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace korvel
{

namespace
{
struct Range {
    const char *caption;
    qint64 ms;
};
constexpr qint64 MinuteMs = 60'000;
const Range ranges[] = {
    {"Son 15 dakika", 15 * MinuteMs},     {"Son 1 saat", 60 * MinuteMs},
    {"Son 1 gün", 1440 * MinuteMs},       {"Son 1 hafta", 7 * 1440 * MinuteMs},
    {"Son 30 gün", 30 * 1440 * MinuteMs},
};
const QString DateRange = QStringLiteral("Tarih aralığı");

template <typename W> W *named(W *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}
} // namespace

TrendWindow::TrendWindow(TrendSource source, QWidget *parent)
    : QWidget(parent, Qt::Window), m_source(std::move(source))
{
    setObjectName(QStringLiteral("TFrmGrafik"));
    EscapeCloses::install(*this);
    setWindowTitle(QStringLiteral("Grafik"));
    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    m_device = named(new QComboBox(this), QStringLiteral("CmbGrafikCihaz"));
    m_device->setMinimumWidth(120);
    m_range = named(new QComboBox(this), QStringLiteral("CmbGrafikAralik"));
    for (const Range &r : ranges)
        m_range->addItem(QString::fromUtf8(r.caption));
    m_range->addItem(DateRange);
    m_range->setCurrentIndex(2);
    m_first = form::datePicker(this, QStringLiteral("DtpGrafikIlk"));
    m_last = form::datePicker(this, QStringLiteral("DtpGrafikSon"));
    auto *apply = form::button(this, QStringLiteral("BtnGrafikGoster"), QStringLiteral("Göster"));
    auto *all = form::button(this, QStringLiteral("BtnGrafikTumu"), QStringLiteral("Tümü"));
    auto *csv = form::button(this, QStringLiteral("BtnGrafikCsv"), QStringLiteral("CSV olarak kaydet"));
    auto *png = form::button(this, QStringLiteral("BtnGrafikPng"), QStringLiteral("PNG olarak kaydet"));
    bar->addWidget(new QLabel(QStringLiteral("Cihaz:"), this));
    bar->addWidget(m_device);
    bar->addWidget(new QLabel(QStringLiteral("Aralık:"), this));
    bar->addWidget(m_range);
    bar->addWidget(m_first);
    bar->addWidget(m_last);
    bar->addWidget(apply);
    bar->addWidget(all);
    bar->addStretch(1);
    bar->addWidget(csv);
    bar->addWidget(png);
    layout->addLayout(bar);

    auto *body = new QHBoxLayout;
    m_quantities = named(new QListWidget(this), QStringLiteral("LstGrafikDeger"));
    m_quantities->setFixedWidth(130);
    for (const history::Quantity &q : history::quantities()) {
        auto *item = new QListWidgetItem(QString::fromUtf8(q.name), m_quantities);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(m_quantities->count() == 1 ? Qt::Checked : Qt::Unchecked);
    }
    m_chart = new TrendChart(this);
    body->addWidget(m_quantities);
    body->addWidget(m_chart, 1);
    layout->addLayout(body, 1);
    resize(1100, 560);

    const QDate today = m_source.now().date();
    m_first->setDate(today.addDays(-1));
    m_last->setDate(today);

    connect(m_quantities, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        // More than eight lines cannot be told apart: the ninth is not taken.
        if (item->checkState() == Qt::Checked && int(selectedQuantities().size()) > MaxQuantities) {
            QSignalBlocker block(m_quantities);
            item->setCheckState(Qt::Unchecked);
            return;
        }
        m_zoomed ? query(m_chart->view().fromMs, m_chart->view().toMs) : rangeChanged();
    });
    connect(m_device, &QComboBox::currentIndexChanged, this, &TrendWindow::rangeChanged);
    connect(m_range, &QComboBox::currentIndexChanged, this, &TrendWindow::rangeChanged);
    // A date is checked when the user is done with the pickers, not halfway through a change: stepping
    // the first date past the last on the way to changing both says nothing.
    for (QDateEdit *picker : {m_first, m_last}) {
        connect(picker, &QDateEdit::dateChanged, this, [this] {
            m_zoomed = false;
            if (const auto range = baseRange(false))
                query(range->first, range->second);
        });
        connect(picker, &QDateEdit::editingFinished, this, [this] {
            if (QWidget *focus = QApplication::focusWidget();
                focus && (m_first->isAncestorOf(focus) || m_last->isAncestorOf(focus) || focus == m_first ||
                          focus == m_last))
                return;
            applyDates();
        });
    }
    connect(apply, &QPushButton::clicked, this, &TrendWindow::applyDates);
    connect(all, &QPushButton::clicked, this, &TrendWindow::rangeChanged);
    connect(m_chart, &TrendChart::wholeRangeAsked, this, &TrendWindow::rangeChanged);
    // A resize neither zooms nor stops a live range.
    connect(m_chart, &TrendChart::resized, this, [this] {
        if (m_chart->view().toMs > m_chart->view().fromMs)
            query(m_chart->view().fromMs, m_chart->view().toMs);
    });
    connect(m_chart, &TrendChart::spanChanged, this, [this](qint64 from, qint64 to) {
        m_zoomed = true;
        query(from, to);
    });
    connect(csv, &QPushButton::clicked, this, [this] {
        ask(QStringLiteral("CSV olarak kaydet"), QStringLiteral("csv"), QStringLiteral("CSV (*.csv)"),
            &TrendWindow::saveCsv);
    });
    connect(png, &QPushButton::clicked, this, [this] {
        ask(QStringLiteral("PNG olarak kaydet"), QStringLiteral("png"), QStringLiteral("PNG (*.png)"),
            &TrendWindow::savePng);
    });
    m_live = new QTimer(this);
    m_live->setInterval(2000);
    connect(m_live, &QTimer::timeout, this, &TrendWindow::followLive);
    m_live->start();
    reload();
}

void TrendWindow::loadDevices()
{
    history::HistoryReader reader(m_source.file);
    QStringList devices = reader.open() ? reader.devices() : QStringList();
    const QString active = m_source.activeDevice();
    const QString shown = m_device->currentText();
    if (devices.removeAll(active) > 0)
        devices.prepend(active);
    QSignalBlocker block(m_device);
    m_device->clear();
    m_device->addItems(devices);
    m_device->setCurrentIndex(std::max(0, int(devices.indexOf(shown.isEmpty() ? active : shown))));
}

void TrendWindow::reload()
{
    loadDevices();
    fitRange();
    rangeChanged();
}

void TrendWindow::fitRange()
{
    const QString device = m_device->currentText();
    if (device.isEmpty())
        return;
    const qint64 now = m_source.now().toMSecsSinceEpoch();
    const qint64 widest = ranges[std::size(ranges) - 1].ms;
    history::HistoryReader reader(m_source.file);
    const auto first = reader.open() ? reader.firstSampleSince(device, now - widest) : std::nullopt;
    if (!first)
        return;
    int index = 0;
    while (index + 1 < int(std::size(ranges)) && now - ranges[index].ms > *first)
        ++index;
    const QSignalBlocker block(m_range);
    m_range->setCurrentIndex(index);
}

void TrendWindow::applyDates()
{
    if (m_range->currentIndex() >= int(std::size(ranges)))
        rangeChanged();
}

std::optional<std::pair<qint64, qint64>> TrendWindow::baseRange(bool tell)
{
    const int index = m_range->currentIndex();
    const bool dates = index >= int(std::size(ranges));
    m_first->setEnabled(dates);
    m_last->setEnabled(dates);
    if (!dates) {
        const qint64 now = m_source.now().toMSecsSinceEpoch();
        return std::pair(now - ranges[index].ms, now);
    }
    if (m_first->date() > m_last->date()) {
        if (tell)
            m_source.showError(QStringLiteral("İlk tarih son tarihten sonra olamaz."));
        return std::nullopt;
    }
    return std::pair(m_first->date().startOfDay().toMSecsSinceEpoch(),
                     m_last->date().endOfDay().toMSecsSinceEpoch());
}

std::vector<int> TrendWindow::selectedQuantities() const
{
    std::vector<int> selected;
    for (int i = 0; i < m_quantities->count(); ++i) {
        if (m_quantities->item(i)->checkState() == Qt::Checked)
            selected.push_back(i);
    }
    return selected;
}

void TrendWindow::rangeChanged()
{
    m_zoomed = false;
    if (const auto range = baseRange(true))
        query(range->first, range->second);
}

void TrendWindow::query(qint64 fromMs, qint64 toMs)
{
    trends::TrendView view;
    view.fromMs = fromMs;
    view.toMs = toMs;
    history::HistoryReader reader(m_source.file);
    const bool open = reader.open() && !m_device->currentText().isEmpty();
    int colour = 0;
    for (int q : selectedQuantities()) {
        trends::TrendSeries series{QString::fromUtf8(history::quantities()[std::size_t(q)].name),
                                   trends::TrendPainter::seriesColour(colour++),
                                   {}};
        if (open)
            series.columns =
                reader.decimated(m_device->currentText(), q, fromMs, toMs, std::max(1, m_chart->plotWidth()));
        view.series.push_back(std::move(series));
    }
    m_chart->setView(std::move(view));
}

void TrendWindow::followLive()
{
    if (!isVisible() || m_zoomed || m_range->currentIndex() >= int(std::size(ranges)) ||
        !m_source.refreshing() || m_device->currentText() != m_source.activeDevice())
        return;
    if (const auto range = baseRange(false))
        query(range->first, range->second);
}

QString TrendWindow::saveCsv(const QString &path)
{
    history::HistoryReader reader(m_source.file);
    if (!reader.open())
        return reader.errorText();
    const trends::TrendView &view = m_chart->view();
    const QString error = history::CsvExporter::save(path, [&](QIODevice &out) {
        return history::CsvExporter::write(reader, out, m_device->currentText(), view.fromMs, view.toMs,
                                           history::CsvExporter::formatFor(QLocale()), selectedQuantities());
    });
    return error.isEmpty() ? error : QStringLiteral("%1 yazılamıyor: %2").arg(path, error);
}

QString TrendWindow::exportTitle() const
{
    const QString serial = m_device->currentText();
    QStringList names;
    for (const trends::TrendSeries &series : m_chart->view().series)
        names << series.name;
    const QLocale locale;
    const auto time = [&locale](qint64 ms) {
        return locale.toString(QDateTime::fromMSecsSinceEpoch(ms), QLocale::ShortFormat);
    };
    const QString device = m_source.deviceName ? m_source.deviceName(serial) : serial;
    return QStringLiteral("%1 — %2 — %3 – %4")
        .arg(device, names.join(QStringLiteral(", ")), time(m_chart->view().fromMs),
             time(m_chart->view().toMs));
}

QString TrendWindow::exportName(const QString &suffix) const
{
    QStringList names;
    for (const trends::TrendSeries &series : m_chart->view().series)
        names << series.name.section(u' ', 0, 0);
    return QStringLiteral("%1_%2_%3.%4")
        .arg(m_device->currentText(), names.join(u'-'), SaveFolder::day(m_source.now()), suffix);
}

QString TrendWindow::savePng(const QString &path)
{
    // The picture says what it shows: a title line above the chart.
    const QPixmap chart = m_chart->grab();
    QFont font = m_chart->font();
    font.setBold(true);
    const int titleHeight = QFontMetrics(font).height() + 8;
    QImage picture(chart.width(), chart.height() + titleHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(6, 0, chart.width() - 12, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(font).elidedText(exportTitle(), Qt::ElideRight, chart.width() - 12));
    p.drawPixmap(0, titleHeight, chart);
    p.end();
    if (!picture.save(path, "PNG"))
        return QStringLiteral("%1 yazılamıyor.").arg(path);
    return {};
}

void TrendWindow::ask(const QString &title, const QString &suffix, const QString &filter,
                      QString (TrendWindow::*save)(const QString &))
{
    const QString folder = m_source.saveFolder ? m_source.saveFolder() : QString();
    const QString path = SaveFolder::ask(this, folder, title, exportName(suffix), filter);
    if (path.isEmpty())
        return;
    if (const QString error = (this->*save)(path); !error.isEmpty())
        m_source.showError(error);
    else if (m_source.saved)
        m_source.saved(path);
}

void installTrends(ClientParts &parts, MainWindow &main)
{
    auto *menu = main.findChild<QMenu *>(QStringLiteral("Cihaz1"));
    const QString file = parts.environment.historyFile();
    if (!menu || file.isEmpty())
        return;
    QAction *open = menu->addAction(QStringLiteral("Grafik"));
    open->setObjectName(QStringLiteral("Grafik1"));
    Environment &environment = parts.environment;
    ClientState &state = parts.state;
    Screen &screen = parts.screen;
    DeviceList &devices = parts.deviceList;
    QObject::connect(open, &QAction::triggered, &main, [&, file] {
        auto *window = main.findChild<TrendWindow *>();
        if (!window) {
            window = new TrendWindow(
                {file, [&environment] { return environment.now(); },
                 [&state] { return QString::number(state.activeDeviceNumber); },
                 [&screen] { return screen.isChecked(QStringLiteral("chkyenile")); },
                 [&environment](const QString &text) { environment.showError(text); },
                 [&devices](const QString &serial) { return AlarmBoard::deviceName(devices, serial); },
                 [&environment] { return SaveFolder::folder(environment); },
                 [&environment](const QString &path) { SaveFolder::remember(environment, path); }},
                &main);
        } else {
            window->reload();
        }
        window->show();
        window->raise();
    });
}

} // namespace korvel
