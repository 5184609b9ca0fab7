#include "fleet/FleetModel.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <cmath>

namespace korvel::fleet
{

namespace
{
const char *const headers[FleetModel::ColumnCount] = {"Grup",
                                                      "Cihaz",
                                                      "Seri No",
                                                      "Tür",
                                                      "Durum",
                                                      "Son veri",
                                                      "cos φ",
                                                      "ΣP (kW)",
                                                      "I maks (A)",
                                                      "Alarm",
                                                      "İndüktif (bu ay)",
                                                      "Kapasitif (bu ay)",
                                                      "Ay sonu tahmini"};

QString kindText(int kind)
{
    switch (kind) {
    case 0:
        return QStringLiteral("VNA310");
    case 3:
        return QStringLiteral("VNR420");
    case 4:
        return QStringLiteral("VNM530");
    default:
        return QStringLiteral("Diğer");
    }
}

QString linkText(LinkState state)
{
    switch (state) {
    case LinkState::data:
        return QStringLiteral("Veri var");
    case LinkState::offline:
        return QStringLiteral("Hatta değil");
    case LinkState::noData:
        break;
    }
    return QStringLiteral("Veri yok");
}

// Numbers sort before no number, so that a sort by value puts the devices without it at one end.
int compareNumbers(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return int(std::isnan(a)) - int(std::isnan(b));
    return a < b ? -1 : (b < a ? 1 : 0);
}

double worstForecast(const FleetDevice &d)
{
    if (!d.month || !d.month->monthEnd)
        return qQNaN();
    // The class first, then the inductive ratio within it.
    return int(d.month->monthEnd->worst()) * 1e6 + d.month->monthEnd->ratios.inductive;
}

QColor colourOf(PenaltyClass c)
{
    return QColor(QRgb(penaltyColour(c)));
}
} // namespace

FleetModel::FleetModel(QObject *parent) : QAbstractTableModel(parent) {}

int FleetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_devices.size());
}

int FleetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FleetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromUtf8(headers[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QVariant FleetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const FleetDevice &d = m_devices[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return text(d, index.row(), index.column());
    case Qt::BackgroundRole:
        return background(d, index.row(), index.column());
    case Qt::ForegroundRole:
        if (index.column() == Link && linkState(index.row()) == LinkState::offline)
            return QBrush(QColor(0xC0, 0, 0));
        if (linkState(index.row()) == LinkState::noData && index.column() < Inductive)
            return QBrush(Qt::gray);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() >= CosPhi && index.column() <= Alarms)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QString FleetModel::text(const FleetDevice &d, int row, int column) const
{
    const auto number = [this](double v, int decimals) {
        return std::isnan(v) ? QString() : m_locale.toString(v, 'f', decimals);
    };
    const auto ratio = [this](double v, PenaltyClass c) {
        return percentText(v, m_locale) + QStringLiteral(" (") + penaltyText(c) + u')';
    };
    switch (column) {
    case Group:
        return d.group;
    case Caption:
        return d.caption;
    case Serial:
        return d.serial;
    case Kind:
        return kindText(d.kind);
    case Link:
        return linkText(linkState(row));
    case LastData:
        return d.lastMs ? m_locale.toString(QDateTime::fromMSecsSinceEpoch(d.lastMs), QLocale::ShortFormat)
                        : QString();
    case CosPhi:
        return number(d.cosPhi, 3);
    case Power:
        return number(d.powerKw, 2);
    case Current:
        return number(d.maxCurrent, 1);
    case Alarms:
        return d.alarms ? QString::number(d.alarms) : QString();
    case Inductive:
        return d.month && d.month->hasCounters
                   ? ratio(d.month->toDate.ratios.inductive, d.month->toDate.inductive)
                   : QString();
    case Capacitive:
        return d.month && d.month->hasCounters
                   ? ratio(d.month->toDate.ratios.capacitive, d.month->toDate.capacitive)
                   : QString();
    case Forecast:
        if (!d.month || !d.month->hasCounters)
            return {};
        if (!d.month->monthEnd)
            return d.month->basisText();
        return ratio(d.month->monthEnd->ratios.inductive, d.month->monthEnd->inductive) +
               QStringLiteral(" · ") +
               ratio(d.month->monthEnd->ratios.capacitive, d.month->monthEnd->capacitive);
    default:
        return {};
    }
}

QVariant FleetModel::background(const FleetDevice &d, int row, int column) const
{
    if (d.month && d.month->hasCounters) {
        if (column == Inductive)
            return QBrush(colourOf(d.month->toDate.inductive));
        if (column == Capacitive)
            return QBrush(colourOf(d.month->toDate.capacitive));
        if (column == Forecast && d.month->monthEnd)
            return QBrush(colourOf(d.month->monthEnd->worst()));
    }
    if (column == Alarms && d.alarms > 0)
        return QBrush(colourOf(PenaltyClass::penalty));
    if (column == Link && linkState(row) == LinkState::noData)
        return QBrush(QColor(0xD8, 0xD8, 0xD8));
    return {};
}

int FleetModel::addDevice(const QString &group, const QString &caption, const QString &serial, int kind)
{
    if (const int row = rowOf(serial); row >= 0) {
        FleetDevice &d = m_devices[std::size_t(row)];
        if (d.group != group) {
            if (--m_groups[d.group] == 0)
                m_groups.remove(d.group);
            if (m_groups[group]++ == 0)
                Q_EMIT groupAdded(group);
        }
        d.group = group;
        d.caption = caption;
        d.kind = kind;
        changed(row);
        return row;
    }
    const int row = rowCount();
    beginInsertRows({}, row, row);
    FleetDevice d;
    d.group = group;
    d.caption = caption;
    d.serial = serial;
    d.kind = kind;
    m_devices.push_back(std::move(d));
    m_rows.insert(serial, row);
    endInsertRows();
    if (m_groups[group]++ == 0)
        Q_EMIT groupAdded(group);
    return row;
}

void FleetModel::clear()
{
    beginResetModel();
    m_devices.clear();
    m_rows.clear();
    m_groups.clear();
    endResetModel();
}

void FleetModel::changed(int row)
{
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void FleetModel::dataArrived(int row, qint64 timeMs, double cosPhi, double powerKw, double maxCurrent,
                             const PenaltyForecast *month)
{
    FleetDevice &d = m_devices[std::size_t(row)];
    d.offline = false;
    d.lastMs = timeMs;
    // Time moves with the data; rows that age past the limit meanwhile are announced by the next setNow.
    m_nowMs = std::max(m_nowMs, timeMs);
    if (!std::isnan(cosPhi))
        d.cosPhi = cosPhi;
    if (!std::isnan(powerKw))
        d.powerKw = powerKw;
    if (!std::isnan(maxCurrent))
        d.maxCurrent = maxCurrent;
    if (month)
        d.month = *month;
    changed(row);
}

void FleetModel::setOffline(int row)
{
    m_devices[std::size_t(row)].offline = true;
    changed(row);
}

void FleetModel::setAlarms(int row, int alarms)
{
    if (std::exchange(m_devices[std::size_t(row)].alarms, alarms) != alarms)
        changed(row);
}

void FleetModel::setMonth(int row, const PenaltyForecast &month)
{
    m_devices[std::size_t(row)].month = month;
    changed(row);
}

void FleetModel::setNow(qint64 nowMs)
{
    const qint64 before = std::exchange(m_nowMs, nowMs);
    for (int row = 0; row < rowCount(); ++row) {
        const FleetDevice &d = m_devices[std::size_t(row)];
        // Only rows whose data crossed the age limit in between change their state.
        const bool wasFresh = d.lastMs && before - d.lastMs <= staleMs;
        const bool isFresh = d.lastMs && nowMs - d.lastMs <= staleMs;
        if (!d.offline && wasFresh != isFresh)
            changed(row);
    }
}

LinkState FleetModel::linkState(int row) const
{
    const FleetDevice &d = m_devices[std::size_t(row)];
    if (d.offline)
        return LinkState::offline;
    return d.lastMs && m_nowMs - d.lastMs <= staleMs ? LinkState::data : LinkState::noData;
}

bool FleetModel::needsAttention(int row) const
{
    const FleetDevice &d = m_devices[std::size_t(row)];
    if (d.alarms > 0 || linkState(row) != LinkState::data)
        return true;
    if (!d.month || !d.month->hasCounters)
        return false;
    return d.month->toDate.worst() > PenaltyClass::normal ||
           (d.month->monthEnd && d.month->monthEnd->worst() > PenaltyClass::normal);
}

bool FleetModel::lessThan(int column, int left, int right) const
{
    // Equal keys keep the list's own order, whatever the sort before.
    if (before(column, left, right))
        return true;
    return !before(column, right, left) && left < right;
}

bool FleetModel::before(int column, int left, int right) const
{
    const FleetDevice &a = m_devices[std::size_t(left)];
    const FleetDevice &b = m_devices[std::size_t(right)];
    const auto texts = [](const QString &x, const QString &y) {
        return x.compare(y, Qt::CaseInsensitive) < 0;
    };
    const auto ratio = [](const FleetDevice &d, bool inductive) {
        if (!d.month || !d.month->hasCounters)
            return qQNaN();
        return inductive ? d.month->toDate.ratios.inductive : d.month->toDate.ratios.capacitive;
    };
    switch (column) {
    case Group:
        return texts(a.group, b.group);
    case Caption:
        return texts(a.caption, b.caption);
    case Serial:
        return texts(a.serial, b.serial);
    case Kind:
        return a.kind < b.kind;
    case Link:
        return int(linkState(left)) < int(linkState(right));
    case LastData:
        return a.lastMs < b.lastMs;
    case CosPhi:
        return compareNumbers(a.cosPhi, b.cosPhi) < 0;
    case Power:
        return compareNumbers(a.powerKw, b.powerKw) < 0;
    case Current:
        return compareNumbers(a.maxCurrent, b.maxCurrent) < 0;
    case Alarms:
        return a.alarms < b.alarms;
    case Inductive:
        return compareNumbers(ratio(a, true), ratio(b, true)) < 0;
    case Capacitive:
        return compareNumbers(ratio(a, false), ratio(b, false)) < 0;
    case Forecast:
        return compareNumbers(worstForecast(a), worstForecast(b)) < 0;
    default:
        return left < right;
    }
}

} // namespace korvel::fleet
