#pragma once

#include <QDateTime>
#include <QStringList>

namespace korvel::server
{

class DeviceModel;

// The data readout that a meter reader gets from the installation's meter, in the style of
// IEC 62056-21: an identification line, then lines of code(value), then "!". It is split at a line
// boundary into the parts that travel in separate "sayacal" replies.
namespace MeterReadout
{
QStringList build(const DeviceModel &meter, const QDateTime &now);
}

} // namespace korvel::server
