#pragma once

#include <array>
#include <optional>

namespace korvel
{

// fb: a real number as the four bytes the analyzer stores a real setting in, an IEEE 754 single most
// significant byte first, with the fraction cut to 23 bits toward zero (never rounded up: 0.999 gives
// 63, 127, 190, 118). 0 gives four zeros. A number that is no normal single (below 2^-126 or from 2^128
// on in size, NaN, infinities) has no such bytes: nullopt, so that no wrapped exponent reaches a device.
std::optional<std::array<int, 4>> fb(double x);

} // namespace korvel
