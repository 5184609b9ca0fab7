#include "ServerLog.h"

#include <QDateTime>

#include <algorithm>
#include <cstdio>

namespace korvel::server
{

ServerLog::ServerLog()
    : m_sink([](const QString &text) {
          const QByteArray out =
              QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' + text.toUtf8() + '\n';
          std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
      })
{
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
