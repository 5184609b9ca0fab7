#include "ServerLog.h"

#include <QDateTime>

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

} // namespace korvel::server
