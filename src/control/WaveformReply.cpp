#include "control/WaveformReply.h"

#include "core/NumberText.h"

#include <QString>

namespace korvel
{

namespace
{
// The field separator and the first byte of the terminator (0xF4 in code page 1254).
constexpr char16_t fieldEnd = 0x01;
constexpr char16_t terminator = 0x00F4;

// Removes the text up to and including the next "$"; without one nothing is removed.
void dropField(QStringView &text)
{
    const qsizetype end = text.indexOf(u'$');
    if (end >= 0)
        text = text.mid(end + 1);
}
} // namespace

WaveformReply WaveformReply::read(QStringView text)
{
    qsizetype end = 0;
    while (end < text.size() && text[end] != fieldEnd && text[end] != terminator)
        ++end;
    const QString dump = text.first(end).toString().replace(QStringLiteral("$199$239"), QStringLiteral("$3"));
    QStringView rest(dump);
    for (int i = 0; i < 3; ++i)
        dropField(rest);

    WaveformReply reply;
    reply.samples.reserve(rest.size() / 2 + 1);
    while (rest.size() > 1) {
        const qsizetype dollar = rest.indexOf(u'$');
        const QStringView number = dollar < 0 ? rest : rest.first(dollar);
        rest = dollar < 0 ? QStringView() : rest.mid(dollar + 1);
        const std::optional<qint32> n = parseInt32(number);
        if (!n) {
            reply.failed = true;
            break;
        }
        reply.samples.append(*n > 127 ? *n - 256 : *n);
    }
    return reply;
}

} // namespace korvel
