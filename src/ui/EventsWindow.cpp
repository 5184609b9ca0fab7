#include "ui/EventsWindow.h"

#include "alerts/AlarmBoard.h"
#include "core/ClientState.h"
#include "core/Environment.h"
#include "history/CsvExporter.h"
#include "history/HistoryReader.h"
#include "history/HistoryStore.h"
#include "ui/ClientWindows.h"
#include "ui/MainWindow.h"
#include "ui/RetentionDialog.h"
#include "ui/SaveFolder.h"
#include "ui/widgets/EscapeCloses.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace korvel
{

using history::Event;
using history::EventKind;

namespace
{
constexpr EventKind listedKinds[] = {EventKind::Input,        EventKind::Penalty,     EventKind::Message,
                                     EventKind::LinkLost,     EventKind::LinkUp,      EventKind::PeriodReport,
                                     EventKind::MeterReadout, EventKind::PenaltyRisk, EventKind::Recording};

// The kind filter's entry for the input alarms nobody has acknowledged yet.
constexpr int unacknowledgedAlarms = -1;

// The user's own format, to the second.
QString localTime(qint64 ms)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    const QLocale locale;
    return locale.toString(t.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(t.time(), QLocale::LongFormat).section(u' ', 0, 0);
}
} // namespace

EventsWindow::EventsWindow(history::HistoryStore &store, std::function<QString()> user,
                           Environment &environment, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(store), m_user(std::move(user)), m_environment(environment)
{
    setObjectName(QStringLiteral("TFrmOlaylar"));
    EscapeCloses::install(*this);
    setWindowTitle(QStringLiteral("Olaylar"));
    resize(820, 420);

    m_device = new QComboBox(this);
    m_device->setObjectName(QStringLiteral("CmbCihaz"));
    m_device->addItem(QStringLiteral("Tüm cihazlar"), QString());
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("CmbTur"));
    m_kind->addItem(QStringLiteral("Tüm olaylar"), 0);
    for (EventKind k : listedKinds)
        m_kind->addItem(history::eventKindName(k), int(k));
    m_kind->addItem(QStringLiteral("Onaylanmamış alarmlar"), unacknowledgedAlarms);
    auto *ack = new QPushButton(QStringLiteral("Onayla"), this);
    ack->setObjectName(QStringLiteral("BtnOnayla"));
    auto *save = new QPushButton(QStringLiteral("CSV olarak kaydet"), this);
    save->setObjectName(QStringLiteral("BtnCsv"));

    m_table = new QTableWidget(0, 6, this);
    m_table->setObjectName(QStringLiteral("TblOlaylar"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Zaman"), QStringLiteral("Cihaz"),
                                        QStringLiteral("Tür"), QStringLiteral("Metin"),
                                        QStringLiteral("Onaylayan"), QStringLiteral("Onay zamanı")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("LblDurum"));

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Cihaz:"), this));
    filters->addWidget(m_device);
    filters->addWidget(new QLabel(QStringLiteral("Tür:"), this));
    filters->addWidget(m_kind);
    filters->addStretch();
    filters->addWidget(ack);
    filters->addWidget(save);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table);
    layout->addWidget(m_status);

    connect(m_device, &QComboBox::currentIndexChanged, this, &EventsWindow::fill);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &EventsWindow::fill);
    connect(ack, &QPushButton::clicked, this, [this] {
        if (!acknowledgeRow(m_table->currentRow()))
            m_status->setText(QStringLiteral("Yalnızca onaylanmamış bir giriş alarmı onaylanabilir."));
    });
    connect(save, &QPushButton::clicked, this, &EventsWindow::saveClicked);
    connect(&m_store, &history::HistoryStore::eventsWritten, this, [this] {
        if (isVisible())
            refresh();
    });
    refresh();
}

std::vector<Event> EventsWindow::read(int limit)
{
    // What waits for the next write is in the list too, not a second later.
    m_store.flush(m_environment.now());
    history::HistoryReader reader(m_store.file());
    if (!reader.open())
        return {};
    const QString device = m_device->currentData().toString();
    const int kind = m_kind->currentData().toInt();
    std::vector<EventKind> kinds;
    if (kind != 0)
        kinds.push_back(kind == unacknowledgedAlarms ? EventKind::Input : EventKind(kind));
    std::vector<Event> events = reader.events(device, kinds, 0, std::numeric_limits<qint64>::max());
    if (kind == unacknowledgedAlarms)
        std::erase_if(events, [](const Event &e) { return !e.ackedBy.isEmpty(); });
    std::reverse(events.begin(), events.end());
    if (limit > 0 && events.size() > std::size_t(limit))
        events.resize(std::size_t(limit));
    return events;
}

void EventsWindow::refresh()
{
    // Devices seen in the file join the device filter; the choice made stays.
    const QSignalBlocker block(m_device);
    const QString chosen = m_device->currentData().toString();
    m_device->setCurrentIndex(0);
    QStringList devices;
    for (const Event &e : read(0)) {
        if (!e.device.isEmpty() && !devices.contains(e.device))
            devices << e.device;
    }
    devices.sort();
    while (m_device->count() > 1)
        m_device->removeItem(1);
    for (const QString &d : devices)
        m_device->addItem(d, d);
    m_device->setCurrentIndex(std::max(0, m_device->findData(chosen)));
    fill();
}

void EventsWindow::setFilter(const QString &device, std::optional<EventKind> kind)
{
    const QSignalBlocker blockDevice(m_device), blockKind(m_kind);
    m_device->setCurrentIndex(std::max(0, m_device->findData(device)));
    m_kind->setCurrentIndex(kind ? std::max(0, m_kind->findData(int(*kind))) : 0);
    fill();
}

void EventsWindow::fill()
{
    m_events = read(maxRows);
    m_table->setRowCount(int(m_events.size()));
    for (int row = 0; row < int(m_events.size()); ++row) {
        const Event &e = m_events[std::size_t(row)];
        const QString cells[] = {
            localTime(e.timeMs),   e.device,  history::eventKindName(e.kind),
            history::eventText(e), e.ackedBy, e.ackedBy.isEmpty() ? QString() : localTime(e.ackedAtMs)};
        for (int column = 0; column < 6; ++column) {
            auto *item = new QTableWidgetItem(cells[column]);
            // An alarm nobody has acknowledged stands out in the alarm colour.
            if (e.kind == EventKind::Input && e.ackedBy.isEmpty())
                item->setForeground(Qt::red);
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    m_status->setText(QStringLiteral("%1 olay").arg(m_events.size()));
}

void EventsWindow::showUnacknowledged()
{
    const QSignalBlocker blockDevice(m_device), blockKind(m_kind);
    m_device->setCurrentIndex(0);
    m_kind->setCurrentIndex(m_kind->findData(unacknowledgedAlarms));
    fill();
}

bool EventsWindow::acknowledgeRow(int row)
{
    if (row < 0 || row >= int(m_events.size()))
        return false;
    const Event &e = m_events[std::size_t(row)];
    if (e.kind != EventKind::Input || !e.ackedBy.isEmpty())
        return false;
    const QDateTime now = m_environment.now();
    m_store.acknowledge(e.id, m_user(), now.toMSecsSinceEpoch());
    // Written at once: an acknowledgement is a person's act, not a reading that may wait.
    m_store.flush(now);
    fill();
    return true;
}

QString EventsWindow::saveCsv(const QString &path)
{
    return history::CsvExporter::save(path, [this](QIODevice &out) {
        return history::CsvExporter::writeEvents(out, read(0), history::CsvExporter::formatFor(QLocale()));
    });
}

void EventsWindow::saveClicked()
{
    const QString path =
        SaveFolder::ask(this, SaveFolder::folder(m_environment), QStringLiteral("CSV olarak kaydet"),
                        QStringLiteral("olaylar_%1.csv").arg(SaveFolder::day(m_environment.now())),
                        QStringLiteral("CSV dosyası (*.csv)"));
    if (path.isEmpty())
        return;
    const QString error = saveCsv(path);
    if (error.isEmpty())
        SaveFolder::remember(m_environment, path);
    m_status->setText(error.isEmpty() ? QStringLiteral("Kaydedildi: %1").arg(path)
                                      : QStringLiteral("Kaydedilemedi: %1").arg(error));
}

void EventsWindow::install(ClientWindows &windows, history::HistoryStore *store, const ClientState &state,
                           Environment &environment)
{
    // Without a history there is no list of events to open from the alarm bar.
    windows.screen().setVisible(AlarmBoard::eventsButton, store != nullptr);
    if (!store)
        return;
    MainWindow &main = windows.main();
    auto *menu = main.menuBar()->findChild<QMenu *>(QStringLiteral("Cihaz1"));
    if (!menu)
        return;
    QAction *events = menu->addAction(QStringLiteral("Olaylar"));
    events->setObjectName(QStringLiteral("Olaylar1"));
    QAction *settings = menu->addAction(QStringLiteral("Geçmiş ayarları"));
    settings->setObjectName(QStringLiteral("GecmisAyarlari1"));
    const auto open = [&main, store, &state, &environment] {
        auto *window = main.findChild<EventsWindow *>();
        if (!window)
            window = new EventsWindow(
                *store, [&state] { return state.userName; }, environment, &main);
        window->refresh();
        window->show();
        window->raise();
        return window;
    };
    QObject::connect(events, &QAction::triggered, &main, open);
    windows.screen().onClick(AlarmBoard::eventsButton, &main, [open] { open()->showUnacknowledged(); });
    QObject::connect(settings, &QAction::triggered, &main, [&main, store] {
        RetentionDialog dialog(*store, &main);
        dialog.exec();
    });
}

} // namespace korvel
