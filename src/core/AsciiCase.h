#pragma once

#include <QString>

namespace korvel
{

// Upper case by ASCII rules only: "a" to "z" become capitals, every other letter stays as it is, so
// that Turkish group names keep their own letters.
inline QString asciiUpper(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() >= u'a' && c.unicode() <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    }
    return text;
}

} // namespace korvel
