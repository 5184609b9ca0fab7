#include "ServerLog.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace korvel::server
{

namespace
{

// Past this many bytes gathered, the block is written at once.
constexpr qsizetype blockBytes = 32 * 1024;

} // namespace

ServerLog::ServerLog()
{
    auto block = std::make_shared<QByteArray>();
    m_flush = [block] {
        if (block->isEmpty())
            return;
        std::fwrite(block->constData(), 1, size_t(block->size()), stderr);
        std::fflush(stderr);
        block->clear();
    };
    m_sink = [block, flush = m_flush](const QString &text) {
        *block +=
            QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' + text.toUtf8() + '\n';
        if (block->size() >= blockBytes)
            flush();
    };
}

ServerLog::~ServerLog()
{
    flush();
}

QString ServerLog::escaped(const QString &text)
{
    auto plain = [](QChar c) {
        return c != u'\\' && c.isPrint() && !c.isSurrogate() && c.category() != QChar::Separator_Line &&
               c.category() != QChar::Separator_Paragraph;
    };
    if (std::all_of(text.begin(), text.end(), plain))
        return text;
    QString out;
    out.reserve(text.size() + 16);
    for (QChar c : text) {
        if (plain(c))
            out += c;
        else if (c.unicode() <= 0xFF)
            out += QStringLiteral("\\x") + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            out += QStringLiteral("\\u{") +
                   QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0') + u'}';
    }
    return out;
}

} // namespace korvel::server
