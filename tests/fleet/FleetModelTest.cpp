#include "fleet/FleetModel.h"
#include "fleet/FleetFilter.h"

#include "TestApplication.h"

#include <QBrush>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace korvel;
using namespace korvel::fleet;

namespace
{
constexpr qint64 minute = 60'000;
constexpr qint64 t0 = 1'780'000'000'000;

PenaltyForecast monthWith(double inductive, std::optional<double> forecastInductive)
{
    PenaltyForecast f;
    f.hasCounters = true;
    f.toDate = ClassifiedRatios::of({inductive, 1});
    if (forecastInductive)
        f.monthEnd = ClassifiedRatios::of({*forecastInductive, 1});
    return f;
}

// Four devices in two groups: fresh data, old data, off line, never heard of.
struct Fleet {
    FleetModel model;
    Fleet()
    {
        model.addDevice(QStringLiteral("MERKEZ"), QStringLiteral("Ana Pano"), QStringLiteral("310001"), 0);
        model.addDevice(QStringLiteral("MERKEZ"), QStringLiteral("Kompresör"), QStringLiteral("310002"), 0);
        model.addDevice(QStringLiteral("DEPO"), QStringLiteral("Depo"), QStringLiteral("310003"), 0);
        model.addDevice(QStringLiteral("DEPO"), QStringLiteral("Röle"), QStringLiteral("420001"), 3);
        model.dataArrived(1, t0 - 20 * minute, 0.91, 3, 12);
        model.dataArrived(0, t0, 0.97, 6.5, 13.5);
        model.dataArrived(2, t0, 0.99, 1.5, 2.5);
        model.setOffline(2);
        model.setNow(t0);
    }
    QString cell(int row, int column) const { return model.index(row, column).data().toString(); }
};
} // namespace

TEST(FleetModel, LinkStatesAgeWithTheClock)
{
    test::application("fleet_tests");
    Fleet f;
    EXPECT_EQ(f.cell(0, FleetModel::Link), QStringLiteral("Veri var"));
    EXPECT_EQ(f.cell(1, FleetModel::Link), QStringLiteral("Veri yok")); // 20 minutes old
    EXPECT_EQ(f.cell(2, FleetModel::Link), QStringLiteral("Hatta değil"));
    EXPECT_EQ(f.cell(3, FleetModel::Link), QStringLiteral("Veri yok"));
    EXPECT_EQ(f.cell(0, FleetModel::Current), QStringLiteral("13.5"));

    // Only the row whose data passed the age limit is announced.
    QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);
    f.model.setNow(t0 + 15 * minute);
    EXPECT_EQ(changed.count(), 0);
    f.model.setNow(t0 + 15 * minute + 1);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
    EXPECT_EQ(f.cell(0, FleetModel::Link), QStringLiteral("Veri yok"));
    // Data after "Hattayok" puts the device back on line.
    f.model.dataArrived(2, t0 + 16 * minute, qQNaN(), qQNaN(), qQNaN());
    EXPECT_EQ(f.cell(2, FleetModel::Link), QStringLiteral("Veri var"));
    EXPECT_EQ(f.cell(2, FleetModel::CosPhi), QStringLiteral("0.990")); // a value not sent stays
}

TEST(FleetModel, AnUpdateAnnouncesItsOneRow)
{
    test::application("fleet_tests");
    Fleet f;
    QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);
    QSignalSpy inserted(&f.model, &QAbstractItemModel::rowsInserted);
    f.model.setMonth(1, monthWith(16, 18));
    f.model.addDevice(QStringLiteral("DEPO"), QStringLiteral("Depo Pano"), QStringLiteral("310003"), 0);
    ASSERT_EQ(changed.count(), 2);
    for (const auto &signal : changed) {
        EXPECT_EQ(signal[0].toModelIndex().row(), signal[1].toModelIndex().row());
        EXPECT_EQ(signal[1].toModelIndex().column(), FleetModel::ColumnCount - 1);
    }
    EXPECT_EQ(inserted.count(), 0); // a known serial number is renamed, not added
    EXPECT_EQ(f.cell(2, FleetModel::Caption), QStringLiteral("Depo Pano"));
    EXPECT_EQ(f.cell(1, FleetModel::Inductive), QStringLiteral("%16.0 (KRİTİK)"));
    EXPECT_EQ(f.cell(1, FleetModel::Forecast), QStringLiteral("%18.0 (ALARM) · %1.0 (NORMAL)"));
    EXPECT_EQ(f.model.index(1, FleetModel::Forecast).data(Qt::BackgroundRole).value<QBrush>().color(),
              QColor(0xFF, 0x00, 0xFF));
}

TEST(FleetFilter, GroupsAttentionAndSorting)
{
    test::application("fleet_tests");
    Fleet f;
    f.model.setNow(t0 + minute);
    FleetFilter filter(f.model);
    const auto serials = [&] {
        QStringList s;
        for (int row = 0; row < filter.rowCount(); ++row)
            s << filter.index(row, FleetModel::Serial).data().toString();
        return s.join(u' ');
    };
    filter.setGroup(QStringLiteral("DEPO"));
    EXPECT_EQ(serials(), QStringLiteral("310003 420001"));
    filter.setGroup({});
    // Needs attention: old data, off line, never heard of; then a forecast above "NORMAL", an alarm.
    filter.setAttentionOnly(true);
    EXPECT_EQ(serials(), QStringLiteral("310002 310003 420001"));
    f.model.setMonth(0, monthWith(12, 15.5));
    filter.refilter();
    EXPECT_EQ(serials(), QStringLiteral("310001 310002 310003 420001"));
    f.model.setMonth(0, monthWith(12, 12));
    f.model.setAlarms(0, 1);
    filter.refilter();
    EXPECT_EQ(serials(), QStringLiteral("310001 310002 310003 420001"));
    filter.setAttentionOnly(false);

    // Numbers in order with the devices that have none at the end; names without regard to case.
    const struct {
        int column;
        Qt::SortOrder order;
        const char *serials;
    } sorts[] = {
        {FleetModel::CosPhi, Qt::AscendingOrder, "310002 310001 310003 420001"},
        {FleetModel::Power, Qt::DescendingOrder, "420001 310001 310002 310003"},
        {FleetModel::Caption, Qt::AscendingOrder, "310001 310003 310002 420001"},
        {FleetModel::Link, Qt::AscendingOrder, "310002 420001 310001 310003"},
        {FleetModel::Inductive, Qt::AscendingOrder, "310001 310002 310003 420001"},
    };
    for (const auto &s : sorts) {
        filter.sort(s.column, s.order);
        EXPECT_EQ(serials(), QString::fromUtf8(s.serials)) << s.column;
    }
}
