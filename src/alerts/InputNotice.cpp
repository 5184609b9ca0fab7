#include "alerts/InputNotice.h"

#include "core/NumberText.h"
#include "link/ReplyText.h"

namespace korvel
{

std::optional<qint32> InputNotice::mask() const
{
    return parseInt32(maskText);
}

InputNotice InputNotice::read(ReplyText &text)
{
    InputNotice notice;
    text.drop(QStringLiteral("input").size() + 1);
    notice.serial = text.takeField();
    // A missing "$" removes nothing, as a search that finds nothing deletes nothing.
    for (int i = 0; i < 7; ++i) {
        const qsizetype dollar = text.rest().indexOf(QLatin1Char('$'));
        if (dollar >= 0)
            text.drop(dollar + 1);
    }
    notice.maskText = text.takeField();
    return notice;
}

} // namespace korvel
