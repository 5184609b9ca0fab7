#pragma once

#include <QString>

namespace korvel
{

// The device model, kept as the image index of its item.
namespace DeviceKind
{
inline constexpr int analyzer = 0;         // "VNA310"
inline constexpr int overcurrentRelay = 3; // "VNR420"
inline constexpr int meterReader = 4;      // "VNM530"
inline constexpr int other = -1;

int fromType(const QString &type);
} // namespace DeviceKind

} // namespace korvel
