#pragma once

#include "link/Cp1254.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace korvel::fuzz
{

// The fuzzer's bytes as the wire carries them: code page 1254 text, one character per byte.
inline QString wireText(const uint8_t *data, size_t size)
{
    return cp1254::decode(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
}

} // namespace korvel::fuzz
