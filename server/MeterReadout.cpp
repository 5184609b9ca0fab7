#include "MeterReadout.h"

#include "DeviceModel.h"

namespace korvel::server::MeterReadout
{

namespace
{

// Energy registers: ten characters with three decimals, as meters print them.
QString energy(double value)
{
    return QString::asprintf("%010.3f", std::max(0.0, std::min(value, 999999.999)));
}

// Tariff shares of the totals: day, peak, night.
constexpr double tariffShare[] = {0.55, 0.25, 0.20};

} // namespace

QStringList build(const DeviceModel &meter, const QDateTime &now)
{
    const qint64 ms = now.toMSecsSinceEpoch();
    const Counters c = meter.counters(ms);
    const Reading r = meter.read(ms);
    const QString eol = QStringLiteral("\r\n");
    const QString serial = meter.entry().serial.rightJustified(8, u'0').right(8);
    const uint seed = serial.toUInt();
    auto line = [&eol](const char *code, const QString &value) {
        return QLatin1String(code) + u'(' + value + u')' + eol;
    };

    QString head = QStringLiteral("/KRV5VNM530") + eol;
    head += line("0.0.0", serial);
    // The client shows the value of 0.9.1 as the date and that of 0.9.2 as the time.
    head += line("0.9.1", now.toString(QStringLiteral("yy-MM-dd")));
    head += line("0.9.2", now.toString(QStringLiteral("hh:mm:ss")));
    head += line("0.9.5", QString::number(now.date().dayOfWeek()));
    struct Register {
        const char *total;
        const char *tariffs[3];
        double value;
        const char *unit;
    };
    const Register registers[] = {
        {"1.8.0", {"1.8.1", "1.8.2", "1.8.3"}, c.active(), "*kWh"},
        {"5.8.0", {"5.8.1", "5.8.2", "5.8.3"}, c.inductive(), "*kvarh"},
        {"8.8.0", {"8.8.1", "8.8.2", "8.8.3"}, c.capacitive(), "*kvarh"},
    };
    for (const Register &reg : registers) {
        head += line(reg.total, energy(reg.value) + QLatin1String(reg.unit));
        for (int t = 0; t < 3; ++t)
            head += line(reg.tariffs[t], energy(reg.value * tariffShare[t]) + QLatin1String(reg.unit));
    }

    const double demandKw = (r.phases[0].activeKw + r.phases[1].activeKw + r.phases[2].activeKw) * 1.15;
    const QDate month(now.date().year(), now.date().month(), 1);
    const QString demandAt =
        month.addDays(int(seed % 20)).toString(QStringLiteral("yy-MM-dd")) + QStringLiteral(",10:15");
    QString tail;
    tail += QStringLiteral("1.6.0(") + QString::asprintf("%07.3f", std::min(demandKw, 999.999)) +
            QStringLiteral("*kW)(") + demandAt + u')' + eol;
    tail += line("0.8.0", QStringLiteral("15*min"));
    tail += line("0.1.0", QString::asprintf("%02u", 3 + seed % 7));
    tail += line("96.1.3", QStringLiteral("19-03-14"));
    tail += line("96.2.5", QStringLiteral("19-04-02"));
    tail += line("96.2.2", QStringLiteral("23-01-01,00:00"));
    tail += line("96.70", QStringLiteral("21-06-11,14:05"));
    tail += QStringLiteral("96.71(22-09-30,09:42)(") + QString::asprintf("%02u", 1 + seed % 4) + u')' + eol;
    tail += line("96.6.1", QStringLiteral("1"));
    tail += line("96.7.0", QString::number(2 + seed % 3));
    tail += line("96.7.1", QString::number(5 + seed % 4));
    tail += line("96.7.2", QString::number(4 + seed % 5));
    tail += line("96.7.3", QString::number(6 + seed % 3));
    tail += line("96.77.4", QString::number(12 + seed % 9));
    tail += line("96.77.5", QString::number(3 + seed % 2));
    tail += QStringLiteral("!") + eol;
    return {head, tail};
}

} // namespace korvel::server::MeterReadout
