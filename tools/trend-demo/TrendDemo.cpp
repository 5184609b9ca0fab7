// korvel-trend-demo fill FILE SERIAL DAYS [PERCENT|none]
//                                                 days of values and energy counters every 5 s up to
//                                                 now; PERCENT: the inductive ratio the counters grow at
//                                                 (default 9), none: no counters
// korvel-trend-demo shot FILE SERIAL RANGE PNG   the "Grafik" window of the file, RANGE as in its list
#include "history/HistoryStore.h"
#include "history/Quantities.h"
#include "ui/TrendChart.h"
#include "ui/TrendWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <cmath>
#include <cstdio>

using namespace korvel;

namespace
{
// A day's load curve with a sag at night, capacitor steps on cos φ, a few spikes and one outage.
int fill(const QString &file, const QString &serial, int days, const QString &ratio)
{
    history::HistoryStore store(file);
    const bool counters = ratio != QLatin1String("none");
    const double inductiveShare = (ratio.isEmpty() ? 9.0 : ratio.toDouble()) / 100;
    store.setDeviceInfo({serial, QStringLiteral("Pano ") + serial, QStringLiteral("DEMO TESİS"), 0});
    CounterReading meter{0, 120'000, 11'000, 1'500};
    const qint64 end = QDateTime::currentDateTime().toMSecsSinceEpoch();
    const qint64 start = end - qint64(days) * 86'400'000;
    const std::size_t n = history::quantities().size();
    qint64 k = 0;
    for (qint64 t = start; t <= end; t += 5000, ++k) {
        const qint64 hours = (t - start) / 3'600'000;
        if (hours >= 50 && hours < 53)
            continue; // the link was down
        const double hour = double(QDateTime::fromMSecsSinceEpoch(t).time().msecsSinceStartOfDay()) / 3.6e6;
        const double load =
            0.5 + 0.4 * std::sin((hour - 8) / 24 * 2 * M_PI) + 0.05 * std::sin(double(k) / 37);
        std::vector<double> v(n, std::nan(""));
        for (int p = 0; p < 3; ++p) {
            double volts = 229 + 4 * (1 - load) + p * 0.8 + 0.6 * std::sin(double(k) / (11 + p));
            if (hour > 2.9 && hour < 3.1 && p == 1)
                volts -= 18; // the night sag
            if (k % 40'000 == 17)
                volts += 25;
            v[std::size_t(p)] = double(float(volts));
            v[std::size_t(6 + p)] = double(float(80 * load + 4 * p + 3 * std::sin(double(k) / (7 + p))));
        }
        v[33] = double(float(0.86 + 0.1 * std::floor(load * 4) / 4 + 0.01 * std::sin(double(k) / 29)));
        v[35] = double(float(50.0 + 0.05 * std::sin(double(k) / 101)));
        store.addSample({t, serial, std::move(v)});
        if (counters) {
            // Energy in 5 s at the load; the reactive share drifts a little over the day.
            const double kwh = 3 * 80 * load * 0.4 * 5 / 3600;
            meter.active += kwh;
            meter.inductive += kwh * inductiveShare * (1 + 0.3 * std::sin(hour / 24 * 2 * M_PI));
            meter.capacitive += kwh * 0.02;
            store.addCounters({t, serial, history::CounterSource::Analyzer, meter.active, meter.inductive,
                               meter.capacitive});
        }
        if (k % 50'000 == 7)
            store.addEvent(
                {t, serial, history::EventKind::Input, QStringLiteral("4"), QStringLiteral("Girişler: 3")});
        if (k % 720 == 0)
            store.flush(QDateTime::fromMSecsSinceEpoch(t));
    }
    store.flush(QDateTime::currentDateTime());
    return store.state() == history::HistoryStore::State::Recording ? 0 : 1;
}

int shot(const QString &file, const QString &serial, const QString &range, const QString &png)
{
    TrendWindow window({file, [] { return QDateTime::currentDateTime(); }, [serial] { return serial; },
                        [] { return false; },
                        [](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); }});
    window.show();
    auto *list = window.findChild<QListWidget *>(QStringLiteral("LstGrafikDeger"));
    for (int q : {1, 6, 33})
        list->item(q)->setCheckState(Qt::Checked);
    window.findChild<QComboBox *>(QStringLiteral("CmbGrafikAralik"))->setCurrentText(range);
    QApplication::processEvents();
    const QRect plot = trends::TrendPainter::plotArea(
        window.chart()->size(), trends::TrendPainter::axisCount(window.chart()->view()));
    window.chart()->setCursorTime(
        trends::TrendPainter::timeAt(plot, window.chart()->view(), plot.left() + plot.width() * 2 / 3));
    return window.grab().save(png) ? 0 : 1;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if ((args.size() == 5 || args.size() == 6) && args[1] == QLatin1String("fill"))
        return fill(args[2], args[3], args[4].toInt(), args.value(5));
    if (args.size() == 6 && args[1] == QLatin1String("shot"))
        return shot(args[2], args[3], args[4], args[5]);
    std::fprintf(
        stderr,
        "usage: korvel-trend-demo fill FILE SERIAL DAYS [PERCENT|none] | shot FILE SERIAL RANGE PNG\n");
    return 2;
}
