#include "link/Cp1254.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

namespace korvel::cp1254
{

namespace
{

// Built once from Qt's own converter; bytes it leaves undefined map to the C1 control character of the
// same value, as ICU's table does, so that the round trip stays lossless whatever the converter does.
struct Table {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, quint8> fromUnicode;

    Table()
    {
        QStringDecoder decoder("windows-1254", QStringDecoder::Flag::Stateless);
        for (int byte = 0; byte < 256; ++byte) {
            const char b = char(byte);
            QString s = decoder.isValid() ? decoder.decode(QByteArrayView(&b, 1)) : QString();
            char16_t c =
                (s.size() == 1 && s[0] != QChar::ReplacementCharacter) ? s[0].unicode() : char16_t(byte);
            if (fromUnicode.contains(c))
                c = char16_t(byte);
            toUnicode[size_t(byte)] = c;
            fromUnicode.insert(c, quint8(byte));
        }
    }
};

const Table &table()
{
    static const Table t;
    return t;
}

} // namespace

QString decode(QByteArrayView bytes)
{
    QString text;
    decodeInto(bytes, text);
    return text;
}

void decodeInto(QByteArrayView bytes, QString &text)
{
    const Table &t = table();
    text.resize(bytes.size());
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(t.toUnicode[quint8(bytes[i])]);
}

QByteArray encode(QStringView text)
{
    const Table &t = table();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out[i] = char(c);
            continue;
        }
        auto it = t.fromUnicode.constFind(c);
        out[i] = it != t.fromUnicode.cend() ? char(*it) : '?';
    }
    return bytes;
}

QChar charFor(quint8 byte)
{
    return QChar(table().toUnicode[byte]);
}

} // namespace korvel::cp1254
