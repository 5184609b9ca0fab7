#pragma once

#include <QDateTime>
#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QDateEdit;
class QListWidget;
class QTimer;

namespace korvel
{

struct ClientParts;
class MainWindow;
class TrendChart;

// Where the chart window reads from and what it asks of the client.
struct TrendSource {
    QString file;
    std::function<QDateTime()> now;
    std::function<QString()> activeDevice;
    // Whether the client is refreshing the values by itself ("Otomatik yenile").
    std::function<bool()> refreshing;
    std::function<void(const QString &)> showError;
    // The device as the device list names it; by default its serial alone.
    std::function<QString(const QString &serial)> deviceName = {};
    // Where the save dialogs start, and what they learn from a save; by default the documents folder.
    std::function<QString()> saveFolder = {};
    std::function<void(const QString &path)> saved = {};
};

// "Grafik": the trends of one recorded device, up to eight quantities over a range, drawn from the
// history file, exportable as CSV and as a picture.
class TrendWindow final : public QWidget
{
    Q_OBJECT
public:
    static constexpr int MaxQuantities = 8;

    explicit TrendWindow(TrendSource source, QWidget *parent = nullptr);

    // Reads the device list and the chart again.
    void reload();
    // Ticks the live chart: a "Son ..." range of the active device moves on while the client refreshes.
    void followLive();
    // Writes what the chart shows, for the buttons and for tests that need no file dialog. Both return
    // an error text, empty on success.
    QString saveCsv(const QString &path);
    QString savePng(const QString &path);
    // The line above an exported picture: the device, the quantities and the range shown.
    QString exportTitle() const;
    // What a save dialog proposes: "310001_V1_2026-12-11.csv".
    QString exportName(const QString &suffix) const;
    // "Göster", or the focus leaving the date pickers: the dates chosen are checked and drawn.
    void applyDates();

    TrendChart *chart() const { return m_chart; }

private:
    std::optional<std::pair<qint64, qint64>> baseRange(bool tell);
    // Picks the smallest "Son ..." range that holds the device's data of the last 30 days.
    void fitRange();
    void ask(const QString &title, const QString &suffix, const QString &filter,
             QString (TrendWindow::*save)(const QString &));
    std::vector<int> selectedQuantities() const;
    void loadDevices();
    void query(qint64 fromMs, qint64 toMs);
    void rangeChanged();

    TrendSource m_source;
    QComboBox *m_device;
    QComboBox *m_range;
    QDateEdit *m_first;
    QDateEdit *m_last;
    QListWidget *m_quantities;
    TrendChart *m_chart;
    QTimer *m_live;
    bool m_zoomed = false;
};

// Adds "Grafik" to the "Cihaz" menu; the window is built when first opened, so start-up does not pay
// for it.
void installTrends(ClientParts &parts, MainWindow &main);

} // namespace korvel
