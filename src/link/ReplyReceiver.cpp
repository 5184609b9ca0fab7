#include "link/ReplyReceiver.h"

#include "core/Environment.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "link/Cp1254.h"
#include "link/Link.h"

#include <QLocale>

namespace korvel
{

namespace
{
const QString lamp = QStringLiteral("Shape1");
// The blink inverts red and blue eleven times; what stays is one inversion.
constexpr Colour blinkMask = rgb(255, 0, 255);
constexpr int blinkCount = 11;

QString timeOfDay(const QDateTime &now)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QStringLiteral(" t")).remove(QLatin1Char('t'));
    return QLocale().toString(now.time(), format.trimmed());
}
} // namespace

ReplyReceiver::ReplyReceiver(Link &link, ReplyDispatcher &dispatcher, Screen &screen,
                             Environment &environment, QObject *parent)
    : QObject(parent), m_link(link), m_dispatcher(dispatcher), m_screen(screen), m_environment(environment),
      m_lampReset(environment.makeTicker(QStringLiteral("TFrmAna.Timer3"), 1000, this))
{
    connect(&m_link, &Link::readyRead, this, &ReplyReceiver::onReadyRead);
    connect(m_lampReset, &Ticker::ticked, this, &ReplyReceiver::onLampReset);
    m_lampReset->start();
}

void ReplyReceiver::onReadyRead()
{
    const QByteArray bytes = m_link.readAll();
    if (bytes.isEmpty())
        return;
    cp1254::decodeInto(bytes, m_chunk);
    receive(m_chunk);
}

void ReplyReceiver::receive(const QString &chunk)
{
    m_screen.appendLine(QStringLiteral("TFrmhaberlesme.ListBox1"),
                        timeOfDay(m_environment.now()) + QStringLiteral(":   ") + chunk);
    Colour colour = m_screen.colour(lamp);
    for (int i = 0; i < blinkCount; ++i)
        colour ^= blinkMask;
    m_screen.setColour(lamp, colour);
    Q_EMIT chunkStarted();
    if (m_dispatcher.dispatch(chunk))
        m_screen.setColour(lamp, colours::lime);
    Q_EMIT chunkEnded();
}

void ReplyReceiver::onLampReset()
{
    m_screen.setColour(lamp, colours::white);
}

} // namespace korvel
