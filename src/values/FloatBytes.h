#pragma once

#include <array>

namespace korvel
{

// Four received bytes as an IEEE-754 single, most significant byte first. Each argument counts by its
// low 8 bits. An all-ones exponent gives 0.0: the views never see an infinity or a NaN.
double Float32FromBytes(int b0, int b1, int b2, int b3);

// The same bit fields decoded the long way, for the decode log: half the value for subnormals and a
// finite (1 + M/2^23)·2^128 for an all-ones exponent.
double Float32CheckFromBytes(int b0, int b1, int b2, int b3);

// The stored value rounded to the nearest integer (ties to even), as four two's complement bytes, least
// significant first. Gives back exactly the bytes an integer slot was decoded from; -1.0 gives 255 x 4.
// Values beyond 32 bits keep their low 32 bits; NaN and infinities give zeros.
std::array<int, 4> SplitToBytes(double value);

} // namespace korvel
