#include "control/CommandMessages.h"

#include "link/Cp1254.h"
#include "link/MessageFramer.h"

namespace korvel::CommandMessages
{

QString rawByte(int value)
{
    return QString(cp1254::charFor(quint8(value & 0xFF)));
}

std::optional<int> relaySelection(bool relay1, bool relay2)
{
    if (!relay1 && !relay2)
        return std::nullopt;
    return 2 + (relay1 ? 1 : 0) + (relay2 ? 2 : 0);
}

std::optional<QString> relaySelectionRequest(const QString &device, bool relay1, bool relay2)
{
    const auto code = relaySelection(relay1, relay2);
    if (!code)
        return std::nullopt;
    return MessageFramer::request(QStringLiteral("rolektifg"), {device, rawByte(*code)});
}

int overcurrentRelayMask(bool relay1, bool relay2, bool relay3)
{
    return (relay1 ? 16 : 0) + (relay2 ? 32 : 0) + (relay3 ? 64 : 0);
}

QString overcurrentRelayRequest(const QString &device, bool relay1, bool relay2, bool relay3)
{
    return MessageFramer::request(QStringLiteral("roleaktif"),
                                  {device, rawByte(overcurrentRelayMask(relay1, relay2, relay3))});
}

QString capacitorRequest(const QString &device, const std::array<int, 4> &fields)
{
    QStringList all{device};
    for (int f : fields)
        all << QString::number(f);
    return MessageFramer::request(QStringLiteral("kondansatorcek"), all);
}

QString resetRequest(const QString &device)
{
    const QString zero = QStringLiteral("0");
    return MessageFramer::request(QStringLiteral("resetle"), {device, zero, zero, zero, zero});
}

QString settingsRequest(const QString &verb, const QString &device, const std::array<qint64, 4> &fields)
{
    QStringList all{device};
    for (qint64 f : fields)
        all << QString::number(f);
    return MessageFramer::request(verb, all);
}

} // namespace korvel::CommandMessages
