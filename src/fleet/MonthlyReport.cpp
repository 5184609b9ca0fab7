#include "fleet/MonthlyReport.h"

#include "fleet/PenaltyWatch.h"
#include "history/HistoryReader.h"

#include <QDateTime>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <algorithm>

namespace korvel::fleet
{

namespace
{
constexpr int Resolution = 300; // dots per inch of the page's coordinates
constexpr int RowHeight = 44;
constexpr int AlarmLimit = 10; // alarms listed on a device page; the rest are counted

struct Column {
    const char *title;
    int width; // share of the page width, in thousandths
    bool right = false;
};

ReactiveRatios ratiosOfDay(const DayEnergy &d)
{
    return ReactiveRatios::compute({0, d.active, 0, d.inductive, 0, d.capacitive}).value_or(ReactiveRatios{});
}

QColor classColour(PenaltyClass c)
{
    return QColor(QRgb(penaltyColour(c)));
}

// Draws the pages from the top down; a new page when the next block does not fit.
class Page final
{
public:
    Page(QPdfWriter &writer, QPainter &painter, const QLocale &locale)
        : m_writer(writer), m_painter(painter), m_locale(locale)
    {
        m_area = QRect(QPoint(0, 0), writer.pageLayout().paintRectPixels(Resolution).size());
        m_y = 0;
    }

    QString number(double v, int decimals) const { return m_locale.toString(v, 'f', decimals); }
    const QLocale &locale() const { return m_locale; }
    QRect area() const { return m_area; }
    int left() const { return m_area.bottom() - m_y; }

    void newPage()
    {
        m_writer.newPage();
        m_y = 0;
    }
    void skip(int height) { m_y += height; }

    void text(const QString &s, int points, bool bold = false, QColor colour = Qt::black)
    {
        QFont f(QStringLiteral("DejaVu Sans"), points);
        f.setBold(bold);
        m_painter.setFont(f);
        m_painter.setPen(colour);
        const QRect r = m_painter.boundingRect(m_area.adjusted(0, m_y, 0, 0), Qt::TextWordWrap, s);
        m_painter.drawText(r, Qt::TextWordWrap, s);
        m_y += r.height() + 12;
    }

    // One row of a table; `fills` colours the cells whose entry is valid.
    void row(std::span<const Column> columns, const QStringList &cells, bool header,
             const std::vector<QColor> &fills = {})
    {
        QFont f(QStringLiteral("DejaVu Sans"), 7);
        f.setBold(header);
        m_painter.setFont(f);
        int x = m_area.left();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const int w = m_area.width() * columns[i].width / 1000;
            const QRect cell(x, m_y, w, RowHeight);
            if (i < fills.size() && fills[i].isValid())
                m_painter.fillRect(cell, fills[i]);
            else if (header)
                m_painter.fillRect(cell, QColor(0xE4, 0xE4, 0xE4));
            m_painter.setPen(QColor(0xB0, 0xB0, 0xB0));
            m_painter.drawRect(cell);
            m_painter.setPen(Qt::black);
            const int align =
                (columns[i].right && !header ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            m_painter.drawText(cell.adjusted(10, 0, -10, 0), align,
                               i < std::size_t(cells.size()) ? cells[int(i)] : QString());
            x += w;
        }
        m_y += RowHeight;
    }

    // The daily ratios as lines against the limits, which are drawn dashed in their classes' colours.
    void chart(const std::vector<DayEnergy> &days, qint64 firstDay, qint64 lastDay)
    {
        const QRect box(m_area.left() + 110, m_y, m_area.width() - 130, 520);
        double top = 25;
        for (const DayEnergy &d : days) {
            const ReactiveRatios r = ratiosOfDay(d);
            top = std::max({top, r.inductive, r.capacitive});
        }
        top = std::ceil(top / 5) * 5;
        const auto yOf = [&](double v) {
            return box.bottom() - int(std::clamp(v, 0.0, top) / top * box.height());
        };
        const auto xOf = [&](qint64 day) {
            return box.left() + int((day - firstDay) * box.width() / std::max<qint64>(1, lastDay - firstDay));
        };
        m_painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 6));
        m_painter.setPen(QColor(0x80, 0x80, 0x80));
        m_painter.drawRect(box);
        for (double v = 0; v <= top; v += 5) {
            m_painter.drawText(QRect(m_area.left(), yOf(v) - 30, 100, 60), Qt::AlignRight | Qt::AlignVCenter,
                               QStringLiteral("%") + number(v, 0));
        }
        for (qint64 day = firstDay; day <= lastDay; day += 5) {
            m_painter.drawText(QRect(xOf(day) - 50, box.bottom() + 6, 100, 40), Qt::AlignCenter,
                               QString::number(QDate::fromJulianDay(day).day()));
        }
        const struct {
            double limit;
            PenaltyClass c;
            bool inductive;
        } limits[] = {{inductiveLimits.critical, PenaltyClass::critical, true},
                      {inductiveLimits.alarm, PenaltyClass::alarm, true},
                      {inductiveLimits.penalty, PenaltyClass::penalty, true},
                      {capacitiveLimits.critical, PenaltyClass::critical, false},
                      {capacitiveLimits.alarm, PenaltyClass::alarm, false},
                      {capacitiveLimits.penalty, PenaltyClass::penalty, false}};
        for (const auto &l : limits) {
            QPen pen(classColour(l.c).darker(l.inductive ? 100 : 150), 3,
                     l.inductive ? Qt::DashLine : Qt::DotLine);
            m_painter.setPen(pen);
            m_painter.drawLine(box.left(), yOf(l.limit), box.right(), yOf(l.limit));
        }
        const auto line = [&](bool inductive, QColor colour) {
            QPainterPath path;
            bool first = true;
            for (const DayEnergy &d : days) {
                const ReactiveRatios r = ratiosOfDay(d);
                const QPointF p(xOf(d.day), yOf(inductive ? r.inductive : r.capacitive));
                first ? path.moveTo(p) : path.lineTo(p);
                first = false;
                m_painter.setPen(Qt::NoPen);
                m_painter.setBrush(colour);
                m_painter.drawEllipse(p, 9, 9);
            }
            m_painter.setBrush(Qt::NoBrush);
            m_painter.setPen(QPen(colour, 5));
            m_painter.drawPath(path);
        };
        line(true, QColor(0x1F, 0x4E, 0xA0));
        line(false, QColor(0x1A, 0x8A, 0x3A));
        m_y = box.bottom() + 60;
        text(QStringLiteral(
                 "Mavi: günlük indüktif oran, yeşil: günlük kapasitif oran; kesikli çizgiler indüktif, "
                 "noktalı çizgiler kapasitif sınırlar (KRİTİK sarı, ALARM mor, CEZA kırmızı)."),
             6, false, QColor(0x50, 0x50, 0x50));
    }

private:
    QPdfWriter &m_writer;
    QPainter &m_painter;
    const QLocale &m_locale;
    QRect m_area;
    int m_y;
};

QString ratioText(const Page &page, double ratio, PenaltyClass c)
{
    return percentText(ratio, page.locale()) + QStringLiteral(" (") + penaltyText(c) + u')';
}

QString deviceName(const MonthlyReport::Device &d)
{
    return d.info.caption.isEmpty() ? d.info.serial : d.info.caption;
}

void summaryPage(Page &page, const std::vector<MonthlyReport::Device> &devices, const QString &monthName)
{
    page.text(QStringLiteral("Aylık Reaktif Enerji Raporu — ") + monthName, 16, true);
    page.text(
        QStringLiteral("Cihazlar, en kötü sınıf önce. Sınırlar: indüktif KRİTİK %15, ALARM %17, CEZA %20; "
                       "kapasitif KRİTİK %10, ALARM %12, CEZA %15."),
        8);
    static const Column columns[] = {{"Cihaz", 250},    {"Seri No", 110},
                                     {"Grup", 170},     {"Aktif (kWh)", 140, true},
                                     {"İndüktif", 165}, {"Kapasitif", 165}};
    QStringList titles;
    for (const Column &c : columns)
        titles << QString::fromUtf8(c.title);
    page.row(columns, titles, true);
    for (const MonthlyReport::Device &d : devices) {
        if (page.left() < RowHeight) {
            page.newPage();
            page.row(columns, titles, true);
        }
        QStringList cells{deviceName(d), d.info.serial, d.info.group};
        std::vector<QColor> fills(4);
        if (d.month.hasCounters) {
            cells << page.number(d.month.active, 1)
                  << ratioText(page, d.month.toDate.ratios.inductive, d.month.toDate.inductive)
                  << ratioText(page, d.month.toDate.ratios.capacitive, d.month.toDate.capacitive);
            fills.push_back(classColour(d.month.toDate.inductive));
            fills.push_back(classColour(d.month.toDate.capacitive));
        } else {
            cells << QString() << QStringLiteral("sayaç verisi yok") << QString();
        }
        page.row(columns, cells, false, fills);
    }
}

void alarmsBlock(Page &page, const MonthlyReport::Device &d)
{
    page.text(QStringLiteral("Ayın alarmları"), 10, true);
    if (d.alarms.empty()) {
        page.text(QStringLiteral("Bu ay giriş alarmı yok."), 8);
        return;
    }
    int shown = 0;
    for (const history::Event &e : d.alarms) {
        if (shown == AlarmLimit || page.left() < 140)
            break;
        const QDateTime t = QDateTime::fromMSecsSinceEpoch(e.timeMs);
        const QString ack =
            e.ackedBy.isEmpty()
                ? QStringLiteral("onaylanmadı")
                : QStringLiteral("onaylandı: %1, %2")
                      .arg(e.ackedBy, page.locale().toString(QDateTime::fromMSecsSinceEpoch(e.ackedAtMs),
                                                             QLocale::ShortFormat));
        page.text(page.locale().toString(t, QLocale::ShortFormat) + QStringLiteral(" — ") + e.body +
                      QStringLiteral(" — ") + ack,
                  7);
        ++shown;
    }
    if (shown < int(d.alarms.size()))
        page.text(QStringLiteral("… ve %1 alarm daha").arg(int(d.alarms.size()) - shown), 7);
}

void devicePage(Page &page, const MonthlyReport::Device &d, qint64 firstDay, qint64 lastDay, bool inProgress)
{
    page.text(deviceName(d), 16, true);
    page.text(QStringLiteral("Seri No: %1 · Grup: %2")
                  .arg(d.info.serial, d.info.group.isEmpty() ? QStringLiteral("—") : d.info.group),
              9);
    if (!d.month.hasCounters) {
        page.text(QStringLiteral("Bu ay için enerji sayacı verisi yok: oran ve sınıf hesaplanamadı."), 10,
                  true);
        alarmsBlock(page, d);
        return;
    }
    if (d.source != history::CounterSource::Analyzer) {
        page.text(QStringLiteral("Günlük değerler dönem raporlarının toplamlarından, günlere süreleriyle "
                                 "orantılı dağıtılarak hesaplandı."),
                  8);
    }
    const PenaltyForecast &m = d.month;
    page.text(QStringLiteral("Aktif enerji: %1 kWh · İndüktif: %2 kVArLh · Kapasitif: %3 kVArCh")
                  .arg(page.number(m.active, 1), page.number(m.inductive, 1), page.number(m.capacitive, 1)),
              9);
    page.text(
        QStringLiteral("İndüktif oran %1 — %2 (sınırlar: KRİTİK %15, ALARM %17, CEZA %20)")
            .arg(percentText(m.toDate.ratios.inductive, page.locale()), penaltyText(m.toDate.inductive)),
        10, true, classColour(m.toDate.inductive).darker(160));
    page.text(
        QStringLiteral("Kapasitif oran %1 — %2 (sınırlar: KRİTİK %10, ALARM %12, CEZA %15)")
            .arg(percentText(m.toDate.ratios.capacitive, page.locale()), penaltyText(m.toDate.capacitive)),
        10, true, classColour(m.toDate.capacitive).darker(160));
    if (inProgress) {
        page.text(QStringLiteral("Ay sonu tahmini: ") +
                      (m.monthEnd ? PenaltyForecast::ratiosText(*m.monthEnd, page.locale()) +
                                        QStringLiteral(" (") + m.basisText() + u')'
                                  : m.basisText()),
                  9);
    }
    page.skip(10);
    page.chart(d.days, firstDay, lastDay);
    static const Column columns[] = {{"Gün", 160},
                                     {"Aktif (kWh)", 170, true},
                                     {"İndüktif (kVArLh)", 170, true},
                                     {"Kapasitif (kVArCh)", 170, true},
                                     {"İndüktif %", 165, true},
                                     {"Kapasitif %", 165, true}};
    QStringList titles;
    for (const Column &c : columns)
        titles << QString::fromUtf8(c.title);
    page.row(columns, titles, true);
    for (const DayEnergy &day : d.days) {
        const ReactiveRatios r = ratiosOfDay(day);
        const ClassifiedRatios c = ClassifiedRatios::of(r);
        page.row(columns,
                 {page.locale().toString(QDate::fromJulianDay(day.day), QLocale::ShortFormat),
                  page.number(day.active, 1), page.number(day.inductive, 1), page.number(day.capacitive, 1),
                  percentText(r.inductive, page.locale()), percentText(r.capacitive, page.locale())},
                 false,
                 {QColor(), QColor(), QColor(), QColor(), classColour(c.inductive).lighter(130),
                  classColour(c.capacitive).lighter(130)});
    }
    page.skip(30);
    alarmsBlock(page, d);
}
} // namespace

std::vector<MonthlyReport::Device> MonthlyReport::collect(history::HistoryReader &reader,
                                                          const Request &request, qint64 nowMs)
{
    const QDate first(request.month.year(), request.month.month(), 1);
    const PenaltyWatch::MonthSpan span = PenaltyWatch::monthOf(first.startOfDay().toMSecsSinceEpoch());
    const qint64 fromMs = first.startOfDay().toMSecsSinceEpoch();
    const qint64 at = std::clamp(nowMs, fromMs, span.endMs);
    const QHash<QString, history::DeviceInfo> info = reader.deviceInfo();
    const QStringList serials = request.devices.isEmpty() ? reader.devices() : request.devices;
    std::vector<Device> devices;
    for (const QString &serial : serials) {
        Device d;
        d.info = info.value(serial, {serial, {}, {}, -1});
        history::HistoryReader::MonthEnergy energy = reader.monthDays(serial, span.firstDay, span.lastDay);
        d.days = std::move(energy.days);
        d.source = energy.source;
        d.month =
            PenaltyForecast::compute(d.days, span.firstDay, span.lastDay, localDay(at - 1), at, span.endMs);
        d.alarms = reader.events(serial, {history::EventKind::Input}, fromMs, span.endMs - 1);
        devices.push_back(std::move(d));
    }
    std::stable_sort(devices.begin(), devices.end(), [](const Device &a, const Device &b) {
        if (a.month.hasCounters != b.month.hasCounters)
            return a.month.hasCounters;
        if (a.month.toDate.worst() != b.month.toDate.worst())
            return a.month.toDate.worst() > b.month.toDate.worst();
        return std::max(a.month.toDate.ratios.inductive, a.month.toDate.ratios.capacitive) >
               std::max(b.month.toDate.ratios.inductive, b.month.toDate.ratios.capacitive);
    });
    return devices;
}

int MonthlyReport::write(const Request &request, const QString &historyFile, const QLocale &locale,
                         QString &error)
{
    history::HistoryReader reader(historyFile);
    if (!reader.open()) {
        error = QStringLiteral("cannot read the history file %1: %2").arg(historyFile, reader.errorText());
        return 2;
    }
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    const std::vector<Device> devices = collect(reader, request, nowMs);
    const QDate first(request.month.year(), request.month.month(), 1);
    const PenaltyWatch::MonthSpan span = PenaltyWatch::monthOf(first.startOfDay().toMSecsSinceEpoch());
    const bool inProgress = nowMs < span.endMs;
    // Written beside and renamed when complete: a failed report leaves no half file behind.
    const QString partial = request.file + QStringLiteral(".part");
    {
        QPdfWriter writer(partial);
        writer.setResolution(Resolution);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(
            QStringLiteral("Aylık Reaktif Enerji Raporu %1").arg(first.toString(QStringLiteral("yyyy-MM"))));
        writer.setCreator(QStringLiteral("Korvel"));
        QPainter painter;
        if (!painter.begin(&writer)) {
            error = QStringLiteral("cannot write %1").arg(request.file);
            QFile::remove(partial);
            return 1;
        }
        Page page(writer, painter, locale);
        const QString monthName =
            QLocale(QLocale::Turkish, QLocale::Turkey).standaloneMonthName(first.month()) + u' ' +
            QString::number(first.year());
        summaryPage(page, devices, monthName);
        for (const Device &d : devices) {
            page.newPage();
            devicePage(page, d, span.firstDay, span.lastDay, inProgress);
        }
        if (!painter.end()) {
            error = QStringLiteral("cannot write %1").arg(request.file);
            QFile::remove(partial);
            return 1;
        }
    }
    QFile::remove(request.file);
    if (!QFile::rename(partial, request.file)) {
        error = QStringLiteral("cannot write %1").arg(request.file);
        QFile::remove(partial);
        return 1;
    }
    return 0;
}

} // namespace korvel::fleet
