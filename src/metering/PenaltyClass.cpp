#include "metering/PenaltyClass.h"

#include <cfenv>
#include <cmath>

namespace korvel
{

namespace
{
template <typename T> PenaltyClass classOf(T value, const PenaltyLimits &limits)
{
    if (value < limits.critical)
        return PenaltyClass::normal;
    if (value < limits.alarm)
        return PenaltyClass::critical;
    if (value < limits.penalty)
        return PenaltyClass::alarm;
    return PenaltyClass::penalty;
}
} // namespace

std::optional<qint64> roundHalfToEven(double value)
{
    // 2^63 is the first double past the range; -2^63 itself still fits.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value) || value >= limit || value < -limit)
        return std::nullopt;
    // nearbyint rounds in the current mode: to nearest, ties to even, set for the call.
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double whole = std::nearbyint(value);
    std::fesetround(mode);
    return qint64(whole);
}

std::optional<PenaltyClass> classifyRatio(double ratio, const PenaltyLimits &limits, RatioRounding rounding)
{
    if (rounding == RatioRounding::asComputed)
        return classOf(ratio, limits);
    const std::optional<qint64> whole = roundHalfToEven(ratio);
    if (!whole)
        return std::nullopt;
    return classOf(double(*whole), limits);
}

QString penaltyText(PenaltyClass penalty)
{
    switch (penalty) {
    case PenaltyClass::normal:
        return QStringLiteral("NORMAL");
    case PenaltyClass::critical:
        return QStringLiteral("KRİTİK");
    case PenaltyClass::alarm:
        return QStringLiteral("ALARM");
    case PenaltyClass::penalty:
        break;
    }
    return QStringLiteral("CEZA");
}

Colour penaltyColour(PenaltyClass penalty)
{
    switch (penalty) {
    case PenaltyClass::normal:
        return rgb(0x00, 0xFF, 0x00);
    case PenaltyClass::critical:
        return rgb(0xFF, 0xFF, 0x00);
    case PenaltyClass::alarm:
        return rgb(0xFF, 0x00, 0xFF);
    case PenaltyClass::penalty:
        break;
    }
    return rgb(0xFF, 0x00, 0x00);
}

} // namespace korvel
