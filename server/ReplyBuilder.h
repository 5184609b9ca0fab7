#pragma once

#include "DeviceModel.h"
#include "RegisterDump.h"
#include "ServerConfig.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

namespace korvel::server
{

// The bytes of every reply and notice, each written to the socket in one piece.
namespace ReplyBuilder
{

// Tag, one skipped character, the fields each ended by 0x01, the terminator.
QByteArray reply(const QString &tag, const QStringList &fields = {});

QByteArray device(const DeviceEntry &device);
QByteArray viewRights(const UserAccount &user);
QByteArray commandRights(const UserAccount &user);
QByteArray message(const ServerMessage &message);
QByteArray offline(const QString &serial);

// "enerjial" with a register dump. The client hands everything after the tag to the dump reader and
// drops the rest of the read, so the reply ends with the field's 0x01 and nothing after it: a
// terminator there would be read as one more waveform number and fail the harmonics.
QByteArray registerReply(const QByteArray &dumpText);

// Register dumps of an analyzer, by the slots they fill; the replies carry them as text.
RegisterDump analyzerDump(const DeviceModel &device, qint64 ms, int firstSlot, int lastSlot);
RegisterDump capacitorDump(const DeviceModel &device, qint64 ms);
RegisterDump settingsDump(const DeviceModel &device);
RegisterDump harmonicsDump(const DeviceModel &device, qint64 ms, int phase);
// The overcurrent relay's clock, date and currents, as its compact view reads them.
RegisterDump relayDump(const DeviceModel &device, const QDateTime &now);
QByteArray analyzerValues(const DeviceModel &device, qint64 ms, int firstSlot, int lastSlot);
QByteArray capacitorStates(const DeviceModel &device, qint64 ms);
QByteArray settings(const DeviceModel &device);
QByteArray harmonics(const DeviceModel &device, qint64 ms, int phase);
QByteArray relayValues(const DeviceModel &device, const QDateTime &now);
QByteArray relayCurrents(const DeviceModel &device, const QDateTime &now);

// The 52 value slots of an analyzer: 0..35 instantaneous (35 the word of frequency and inputs), 36..51
// consumption.
using ValueSlots = std::array<double, 52>;

// "cihazenerji": the value records of a device, for the table row of its entry 43.
QString valueRecords(const DeviceModel &device, qint64 ms);
QString valueRecords(const ValueSlots &slots, int row);
QByteArray valueNotice(const DeviceModel &device, qint64 ms);
QByteArray valueNotice(const DeviceEntry &device, const ValueSlots &slots);
QByteArray inputNotice(const DeviceModel &device, const QDateTime &now, quint8 previous);
QByteArray inputNotice(const QString &serial, const QDateTime &now, quint8 previous, quint8 inputs);

QByteArray periodReport(const QString &tag, const QString &serial, const QString &firstDate,
                        const QString &secondDate, const Counters &first, const Counters &second);
QByteArray meterTotals(const Counters &counters);
QByteArray readout(const QString &part);

} // namespace ReplyBuilder

} // namespace korvel::server
