#pragma once

#include "metering/PenaltyForecast.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QLocale>
#include <QMap>
#include <optional>
#include <vector>

namespace korvel::fleet
{

// Whether data comes from a device.
enum class LinkState { noData, data, offline };

// One device of the overview: what the device list says of it and what last arrived from it.
struct FleetDevice {
    QString group;
    QString caption;
    QString serial;
    int kind = -1;
    bool offline = false; // the server said so, and nothing came since
    qint64 lastMs = 0;    // when its last data arrived, 0 never
    double cosPhi = qQNaN();
    double powerKw = qQNaN();
    double maxCurrent = qQNaN();
    int alarms = 0; // input alarms nobody acknowledged
    std::optional<PenaltyForecast> month;
};

// The overview of every device of the user, one row each. Rows are only appended (or all cleared), so
// a row number stays the device's for as long as the list lives; an update of a device announces that
// one row. Sorting and filtering are left to a proxy that asks lessThan() and needsAttention().
class FleetModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        Group,
        Caption,
        Serial,
        Kind,
        Link,
        LastData,
        CosPhi,
        Power,
        Current,
        Alarms,
        Inductive,
        Capacitive,
        Forecast,
        ColumnCount
    };
    // Data older than this counts as none.
    static constexpr qint64 staleMs = 15 * 60 * 1000;

    explicit FleetModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The device's row, added at the end when it is new; a known serial number takes the new names.
    int addDevice(const QString &group, const QString &caption, const QString &serial, int kind);
    void clear();
    // -1 when the serial number has no row.
    int rowOf(const QString &serial) const { return m_rows.value(serial, -1); }
    const FleetDevice &device(int row) const { return m_devices[std::size_t(row)]; }
    // The groups of the rows, in alphabetical order.
    QStringList groups() const { return m_groups.keys(); }

    // Data arrived from the device; a value that is NaN was not in it and keeps the one shown. The
    // month, when the data brought counters, changes with it: one announcement of the row.
    void dataArrived(int row, qint64 timeMs, double cosPhi, double powerKw, double maxCurrent,
                     const PenaltyForecast *month = nullptr);
    void setOffline(int row);
    void setAlarms(int row, int alarms);
    void setMonth(int row, const PenaltyForecast &month);

    // The instant the link states are judged at; rows whose state changed with it are announced.
    void setNow(qint64 nowMs);
    qint64 now() const { return m_nowMs; }
    LinkState linkState(int row) const;
    // An alarm, a class above "NORMAL" now or forecast, or no data for more than staleMs.
    bool needsAttention(int row) const;
    bool lessThan(int column, int left, int right) const;

Q_SIGNALS:
    void groupAdded(const QString &group);

private:
    QString text(const FleetDevice &d, int row, int column) const;
    QVariant background(const FleetDevice &d, int row, int column) const;
    void changed(int row);
    bool before(int column, int left, int right) const;

    std::vector<FleetDevice> m_devices;
    QHash<QString, int> m_rows;
    QMap<QString, int> m_groups;
    qint64 m_nowMs = 0;
    QLocale m_locale;
};

} // namespace korvel::fleet
