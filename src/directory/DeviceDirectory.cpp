#include "directory/DeviceDirectory.h"

#include "core/AsciiCase.h"
#include "core/DeviceList.h"
#include "core/Screen.h"
#include "directory/DeviceKind.h"
#include "link/ReplyText.h"

namespace korvel
{

int DeviceKind::fromType(const QString &type)
{
    if (type == QLatin1String("VNA310"))
        return analyzer;
    if (type == QLatin1String("VNR420"))
        return overcurrentRelay;
    if (type == QLatin1String("VNM530"))
        return meterReader;
    return other;
}

int DeviceDirectory::groupFor(const QString &caption)
{
    const int group = m_list.findGroup(caption);
    return group >= 0 ? group : m_list.addGroup(caption);
}

void DeviceDirectory::handleDevice(ReplyText &text)
{
    m_screen.setCaption(QStringLiteral("LblMesaj"), QStringLiteral("Cihaz listesi alınıyor. "));
    text.drop(QStringLiteral("cihazlar").size() + 1);
    const QString group = text.takeField();
    const QString type = text.takeField();
    const QString name = text.takeField();
    const QString serial = text.takeField();
    text.drop(1);
    const int g = groupFor(asciiUpper(group));
    m_list.insertItem(g, 0, name + QStringLiteral(" No: ") + serial, DeviceKind::fromType(type), serial);
}

} // namespace korvel
