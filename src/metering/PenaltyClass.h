#pragma once

#include "core/Screen.h"

#include <QString>
#include <optional>

namespace korvel
{

// The four penalty classes of a reactive-energy ratio, in increasing order.
enum class PenaltyClass { normal, critical, alarm, penalty };

// The tariff's limits in percent; a ratio equal to a limit belongs to the higher class.
struct PenaltyLimits {
    double critical;
    double alarm;
    double penalty;
};

inline constexpr PenaltyLimits inductiveLimits{15, 17, 20};
inline constexpr PenaltyLimits capacitiveLimits{10, 12, 15};

// The analyzer's report classifies the ratio as computed; the meter's report the nearest whole percent,
// as the utility bills it.
enum class RatioRounding { asComputed, nearestWhole };

// The nearest whole number, a half going to the even neighbour (14.5 gives 14, 15.5 gives 16); none when
// it lies beyond a signed 64-bit integer or the value is not finite.
std::optional<qint64> roundHalfToEven(double value);

// The one classification of all status labels. None only when rounding is asked for and the ratio has
// no 64-bit nearest whole number.
std::optional<PenaltyClass> classifyRatio(double ratio, const PenaltyLimits &limits, RatioRounding rounding);

// The status label's text and font colour of a class.
QString penaltyText(PenaltyClass penalty);
Colour penaltyColour(PenaltyClass penalty);

} // namespace korvel
