#include "ReplyBuilder.h"

#include "RegisterDump.h"

#include "link/Cp1254.h"
#include "link/MessageFramer.h"

#include <cmath>

namespace korvel::server::ReplyBuilder
{

namespace
{

constexpr int analyzerSlotCount = int(std::tuple_size_v<ValueSlots>);

// Frequency in tenths of a hertz in the first two bytes (high first), the inputs in the third.
quint32 frequencyAndInputs(const Reading &r)
{
    const quint32 tenths = quint32(std::lround(r.frequency * 10));
    return ((tenths >> 8) & 0xFF) | ((tenths & 0xFF) << 8) | (quint32(r.inputs) << 16);
}

ValueSlots analyzerSlots(const DeviceModel &device, qint64 ms)
{
    const Reading r = device.read(ms);
    const Counters c = device.counters(ms);
    ValueSlots v{};
    double sumP = 0, sumQ = 0, sumS = 0, positiveP = 0, negativeP = 0, inductiveQ = 0, capacitiveQ = 0;
    for (size_t k = 0; k < 3; ++k) {
        const PhaseReading &p = r.phases[k];
        v[k] = p.voltage;
        v[3 + k] = p.lineVoltage;
        v[6 + k] = p.current;
        v[9 + k] = p.activeKw;
        v[12 + k] = p.reactiveKvar;
        v[15 + k] = p.cosPhi;
        v[18 + k] = p.powerFactor;
        v[21 + k] = p.apparentKva;
        v[24 + k] = p.activeKw;
        sumP += p.activeKw;
        sumQ += p.reactiveKvar;
        sumS += p.apparentKva;
        (p.activeKw >= 0 ? positiveP : negativeP) += p.activeKw;
        (p.reactiveKvar >= 0 ? inductiveQ : capacitiveQ) += p.reactiveKvar;
        v[36 + k] = c.activeKwh[k];
        v[42 + k] = c.inductiveKvarh[k];
        v[45 + k] = c.capacitiveKvarh[k];
    }
    v[27] = sumP;
    v[28] = positiveP;
    v[29] = negativeP;
    v[30] = inductiveQ;
    v[31] = capacitiveQ;
    v[32] = sumQ;
    const double fundamental = std::hypot(sumP, sumQ);
    v[33] = fundamental > 0 ? std::copysign(sumP / fundamental, sumQ) : 1.0;
    v[34] = sumS > 0 ? sumP / sumS : 1.0;
    v[35] = double(frequencyAndInputs(r));
    v[50] = c.inductive();
    v[51] = c.capacitive();
    return v;
}

// Eight characters of a real with no decimal mark, so that no locale misreads it: digits and a
// power of ten ("-0973E-3"), the finest that fits.
QString exponentText(double value)
{
    for (int exponent = -3; exponent < 30; ++exponent) {
        const double mantissa = std::round(value / std::pow(10.0, exponent));
        const QString digits = QString::number(std::abs(mantissa), 'f', 0);
        const QString tail = u'E' + QString::number(exponent);
        const int room = 8 - int(tail.size()) - (mantissa < 0 ? 1 : 0);
        if (digits.size() <= room)
            return (mantissa < 0 ? QStringLiteral("-") : QString()) + digits.rightJustified(room, u'0') +
                   tail;
    }
    return QStringLiteral("00000E00");
}

// One "$" record. Kind "0" carries five digits and three decimals and gets the client's own decimal
// mark; whole numbers and reals kind "0" cannot hold travel as kind "1".
QString record(double value, bool whole)
{
    if (!std::isfinite(value))
        value = 0;
    if (whole) {
        const double rounded = std::round(value);
        if (rounded >= -9999999 && rounded <= 99999999) {
            const QString digits = QString::number(std::abs(rounded), 'f', 0);
            return rounded < 0 ? QStringLiteral("$1-") + digits.rightJustified(7, u'0')
                               : QStringLiteral("$1") + digits.rightJustified(8, u'0');
        }
        return QStringLiteral("$1") + exponentText(value);
    }
    if (value >= 0 && value < 99999.9995)
        return QStringLiteral("$0") + QString::number(std::llround(value * 1000)).rightJustified(8, u'0');
    return QStringLiteral("$1") + exponentText(value);
}

// The client reads entry 35 divided by 3600 and splits the nearest integer into bytes, least significant
// first: the frequency's tenths in the first two (high byte first), the inputs in the third, and a fourth
// that no view reads. Eight characters carry a whole number only up to 99999999, so most words travel in
// the exponent form ("224874E3" is 50.0 Hz with every input clear); a word that no eight characters hit
// closely enough is tried with another fourth byte, and failing that, the record carries 0.
QString frequencyRecord(quint32 word)
{
    constexpr double scale = 3600;
    for (quint32 fourth = 0; fourth < 256; ++fourth) {
        const double wanted = double((word & 0xFFFFFFu) | (fourth << 24)) * scale;
        if (wanted <= 99999999)
            return QStringLiteral("$1") + QString::number(wanted, 'f', 0).rightJustified(8, u'0');
        // Six digits and a one-digit power of ten, the finest first; the client rounds to the nearest
        // integer after dividing, so the text must land within half of the scale.
        for (int exponent = 1; exponent <= 9; ++exponent) {
            const double step = std::pow(10.0, exponent);
            const double mantissa = std::round(wanted / step);
            if (mantissa > 999999)
                continue;
            if (std::abs(mantissa * step - wanted) < scale / 2 - 1)
                return QStringLiteral("$1") + QString::number(mantissa, 'f', 0).rightJustified(6, u'0') +
                       u'E' + QString::number(exponent);
        }
    }
    return QStringLiteral("$100000000");
}

QString whole(double value)
{
    return QString::number(std::max(0.0, std::round(value)), 'f', 0);
}

} // namespace

QByteArray reply(const QString &tag, const QStringList &fields)
{
    return cp1254::encode(MessageFramer::reply(tag, fields, 1));
}

QByteArray device(const DeviceEntry &d)
{
    return reply(QStringLiteral("cihazlar"), {d.group, d.type, d.name, d.serial});
}

QByteArray viewRights(const UserAccount &user)
{
    return reply(QStringLiteral("haklar"),
                 {QString::number(user.viewRights[0]), QString::number(user.viewRights[1])});
}

QByteArray commandRights(const UserAccount &user)
{
    QStringList fields;
    for (int right : user.commandRights)
        fields.append(QString::number(right));
    return reply(QStringLiteral("tblhaklar"), fields);
}

QByteArray message(const ServerMessage &m)
{
    return reply(QStringLiteral("mesajvar"), {m.title, m.body});
}

QByteArray offline(const QString &serial)
{
    return reply(QStringLiteral("Hattayok"), {serial});
}

QByteArray registerReply(const QByteArray &dumpText)
{
    return QByteArrayLiteral("enerjial\x01\x01\x01") + dumpText + '\x01';
}

RegisterDump analyzerDump(const DeviceModel &device, qint64 ms, int firstSlot, int lastSlot)
{
    const auto slots = analyzerSlots(device, ms);
    RegisterDump dump;
    for (int slot = firstSlot; slot <= lastSlot && slot < analyzerSlotCount; ++slot) {
        if (slot == 35)
            dump.addInteger(quint32(slots[35]));
        else
            dump.addFloat(slots[size_t(slot)]);
    }
    return dump;
}

RegisterDump capacitorDump(const DeviceModel &device, qint64 ms)
{
    const CapacitorBank bank = device.read(ms).bank;
    RegisterDump dump;
    dump.addWord(bank.groupStates);
    for (double kvar : bank.stepKvar)
        dump.addFloat(kvar);
    for (size_t i = 0; i < 6; ++i)
        dump.addWord({bank.stepPhase[4 * i], bank.stepPhase[4 * i + 1], bank.stepPhase[4 * i + 2],
                      bank.stepPhase[4 * i + 3]});
    return dump;
}

RegisterDump settingsDump(const DeviceModel &device)
{
    RegisterDump dump;
    for (int word = 0; word < DeviceModel::settingsWords; ++word) {
        const bool real = word >= 3 && word <= 8;
        dump.addWord(device.settingsWord(word), real);
    }
    return dump;
}

RegisterDump harmonicsDump(const DeviceModel &device, qint64 ms, int phase)
{
    RegisterDump dump;
    for (int sample : device.waveform(phase, ms))
        dump.addSample(sample);
    return dump;
}

RegisterDump relayDump(const DeviceModel &device, const QDateTime &now)
{
    const Reading r = device.read(now.toMSecsSinceEpoch());
    const QDate date = now.date();
    const QTime time = now.time();
    RegisterDump dump;
    dump.addWord({quint8(time.second()), quint8(time.minute()), quint8(time.hour()), quint8(date.day())});
    dump.addWord({0, 0, quint8(date.month()), quint8(date.year() - 2000)});
    for (const PhaseReading &p : r.phases)
        dump.addFloat(p.current);
    dump.addFloat(r.neutralCurrent);
    return dump;
}

QByteArray analyzerValues(const DeviceModel &device, qint64 ms, int firstSlot, int lastSlot)
{
    return registerReply(analyzerDump(device, ms, firstSlot, lastSlot).text());
}

QByteArray capacitorStates(const DeviceModel &device, qint64 ms)
{
    return registerReply(capacitorDump(device, ms).text());
}

QByteArray settings(const DeviceModel &device)
{
    return registerReply(settingsDump(device).text());
}

QByteArray harmonics(const DeviceModel &device, qint64 ms, int phase)
{
    return registerReply(harmonicsDump(device, ms, phase).text());
}

QByteArray relayValues(const DeviceModel &device, const QDateTime &now)
{
    return registerReply(relayDump(device, now).text());
}

QByteArray relayCurrents(const DeviceModel &device, const QDateTime &now)
{
    const Reading r = device.read(now.toMSecsSinceEpoch());
    auto amps = [](double value) { return QString::number(value, 'f', 1); };
    return reply(QStringLiteral("akimdegerleri"),
                 {amps(r.phases[0].current), amps(r.phases[1].current), amps(r.phases[2].current),
                  amps(r.neutralCurrent), device.entry().serial, now.toString(QStringLiteral("dd.MM.yyyy")),
                  now.toString(QStringLiteral("hh:mm:ss"))});
}

QString valueRecords(const DeviceModel &device, qint64 ms)
{
    return valueRecords(analyzerSlots(device, ms), device.entry().row);
}

QString valueRecords(const ValueSlots &slots, int row)
{
    QString text;
    text.reserve(analyzerSlotCount * 10);
    for (int entry = 0; entry < analyzerSlotCount; ++entry) {
        if (entry == 43) {
            // The row that the client files the records under; its value also lands in slot 43.
            text +=
                QStringLiteral("$0") + QString::number(row).rightJustified(5, u'0') + QStringLiteral("000");
        } else if (entry == 35) {
            text += frequencyRecord(quint32(slots[35]));
        } else if (entry >= 30 && entry <= 41) {
            // The client divides these entries by 3600.
            text += record(slots[size_t(entry)] * 3600, true);
        } else {
            text += record(slots[size_t(entry)], false);
        }
    }
    return text;
}

QByteArray valueNotice(const DeviceModel &device, qint64 ms)
{
    return reply(QStringLiteral("cihazenerji"),
                 {device.entry().serial, device.entry().group, valueRecords(device, ms)});
}

QByteArray valueNotice(const DeviceEntry &device, const ValueSlots &slots)
{
    return reply(QStringLiteral("cihazenerji"),
                 {device.serial, device.group, valueRecords(slots, device.row)});
}

QByteArray inputNotice(const DeviceModel &device, const QDateTime &now, quint8 previous)
{
    return inputNotice(device.entry().serial, now, previous, device.inputs());
}

QByteArray inputNotice(const QString &serial, const QDateTime &now, quint8 previous, quint8 inputs)
{
    // Seven "$" items before the mask: when the change was seen, and the mask before it.
    const QString items =
        now.toString(QStringLiteral("dd$MM$yyyy$hh$mm$ss$")) + QString::number(previous) + u'$';
    return reply(QStringLiteral("input"), {serial, items + QString::number(inputs)});
}

QByteArray periodReport(const QString &tag, const QString &serial, const QString &firstDate,
                        const QString &secondDate, const Counters &first, const Counters &second)
{
    // Whole numbers: the client converts them in the user's locale, which may not take a "." or ",".
    return reply(tag, {serial, firstDate, secondDate, whole(first.active()), whole(second.active()),
                       whole(first.inductive()), whole(second.inductive()), whole(first.capacitive()),
                       whole(second.capacitive())});
}

QByteArray meterTotals(const Counters &c)
{
    return reply(QStringLiteral("Sycdegerleri"),
                 {whole(c.active()), whole(c.inductive()), whole(c.capacitive())});
}

QByteArray readout(const QString &part)
{
    // The readout is bare text after three skipped characters; the terminator closes it.
    return cp1254::encode(QStringLiteral("sayacal") + QString(3, QChar(0x01)) + part +
                          MessageFramer::terminator);
}

} // namespace korvel::server::ReplyBuilder
