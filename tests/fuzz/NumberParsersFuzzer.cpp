// The number parsers: a text either is a number or is not; what is one prints back to a number.
#include "FuzzInput.h"
#include "core/NumberText.h"

#include <cmath>
#include <cstdlib>

using namespace korvel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzz::wireText(data, size);
    const auto i32 = parseInt32(text);
    const auto i64 = parseInt64(text);
    // Whatever fits 32 bits is the same number in 64 bits.
    if (i32 && (!i64 || *i64 != *i32))
        std::abort();
    for (QChar separator : {QLatin1Char('.'), QLatin1Char(',')}) {
        if (const auto d = parseDecimal(text, separator); d && !std::isfinite(*d))
            std::abort();
    }
    return 0;
}
