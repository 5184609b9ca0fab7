#pragma once

#include <QString>
#include <QStringView>
#include <functional>

namespace korvel
{

// Picks the values of a meter readout by their codes onto the meter views. The readout is searched as
// plain text, never split into lines: each row of the code table takes the first occurrence of its code
// (opening parenthesis included) and extracts the characters after it, unconverted.
namespace ReadoutCodes
{

enum class Source { meterView, detailView };

enum class Rule {
    // The next `width` characters, or fewer where the text ends.
    width,
    // Up to the first ")" after the code; empty when there is none.
    toParenthesis,
    // One digit: 1 to 7 name the day, 0, 8 and 9 leave the display; anything else is not a readout.
    weekday,
    // "1" full, "0" empty, anything else leaves the display.
    battery,
    // The count in the second parentheses of (date,time)(count): 2 characters from the 17th on.
    countAfterDate,
};

struct Row {
    const char16_t *code;
    Source source;
    Rule rule;
    int width;
    const char *target;
};

// The 38 rows in the order they are applied.
extern const Row table[38];

// What a row sets: `target` and its new text.
using Setter = std::function<void(const char *target, const QString &text)>;

// Applies every row to the two memo texts. False when a weekday is not a digit: the rows after it are
// then not applied, as if the readout ended there.
bool extract(QStringView meterText, QStringView detailText, const Setter &set);

// The day name of a weekday digit 1 to 7, else empty.
QString dayName(int day);

} // namespace ReadoutCodes

} // namespace korvel
