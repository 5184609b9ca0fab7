#include "directory/DeviceSelection.h"

#include "core/ClientState.h"
#include "core/DeviceList.h"
#include "core/Environment.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "directory/DeviceKind.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "link/ReplyText.h"
#include "values/DeviceValueTable.h"

namespace korvel
{

namespace
{
const QString serialField = QStringLiteral("Edit111");

struct TabLayout {
    int kind;
    std::initializer_list<int> shown;
    std::initializer_list<int> hidden;
    bool panel7;
    int page;
};

// The tabs each model shows; the meter pages hold a meter's readout, never an analyzer's data.
const TabLayout tabLayouts[] = {
    {DeviceKind::overcurrentRelay, {2}, {0, 1, 3, 4, 5, 6, 8}, false, 2},
    {DeviceKind::analyzer, {0, 1, 3, 4, 5}, {2, 6, 8}, true, 0},
    {DeviceKind::meterReader, {6, 8}, {0, 1, 2, 3, 4, 5}, true, 6},
};
} // namespace

DeviceSelection::DeviceSelection(DeviceList &list, Screen &screen, Environment &environment,
                                 ClientState &state, DeviceValueTable &table, Connection &connection,
                                 QObject *parent)
    : QObject(parent), m_list(list), m_screen(screen), m_environment(environment), m_state(state),
      m_table(table), m_connection(connection)
{
}

void DeviceSelection::itemClicked(int group, int item)
{
    if (!m_state.loggedIn) {
        m_connection.connectClicked();
        return;
    }
    select(group, item);
}

void DeviceSelection::restore(int group, int item)
{
    const QString serial = m_list.itemSerial(group, item);
    m_activeSerial = serial;
    colourItems(group, item);
    if (m_list.itemKind(group, item) == DeviceKind::meterReader)
        m_screen.setCaption(serialField, serial.trimmed());
    else
        setActiveNumber(serial);
}

void DeviceSelection::select(int group, int item)
{
    const QString caption = m_list.itemCaption(group, item);
    const int kind = m_list.itemKind(group, item);
    // The serial number travels with the item: a name with ":" or a ten-digit number cannot spoil it.
    const QString serial = m_list.itemSerial(group, item);
    m_activeSerial = serial;
    Q_EMIT deviceClicked();
    // The heading named the previous device; this one's first reply sets it.
    m_screen.setCaption(QStringLiteral("Label2"), QString());
    applyCaptionRules(caption);
    if (kind == DeviceKind::meterReader)
        selectMeterReader(group, item, serial);
    else
        selectDevice(group, item, kind, serial);
}

void DeviceSelection::applyCaptionRules(const QString &caption)
{
    m_screen.setVisible(QStringLiteral("Panel56"), !caption.contains(QLatin1String("Reaktif")));
    m_screen.setTabShown(4, !caption.contains(QStringLiteral("Güç")));
    m_screen.setActivePage(0);
}

void DeviceSelection::colourItems(int group, int item)
{
    for (int g = 0; g < m_list.groupCount(); ++g) {
        for (int i = 0; i < m_list.itemCount(g); ++i)
            m_list.setItemColour(g, i, colours::black);
    }
    m_list.setItemColour(group, item, colours::red);
    // The list may have been built anew since the last mark; unmarking a row that is gone does nothing.
    m_list.setItemMarked(m_markedGroup, m_markedItem, false);
    m_list.setItemMarked(group, item, true);
    m_markedGroup = group;
    m_markedItem = item;
}

void DeviceSelection::switchViews(int kind)
{
    for (const TabLayout &layout : tabLayouts) {
        if (layout.kind != kind)
            continue;
        // The page control is hidden while its tabs change, so that it does not flicker through them.
        m_screen.setVisible(QStringLiteral("suiPageControl1"), false);
        m_screen.setVisible(QStringLiteral("Panel7"), layout.panel7);
        m_screen.setVisible(QStringLiteral("Panel8"), !layout.panel7);
        for (int page : layout.hidden)
            m_screen.setTabShown(page, false);
        for (int page : layout.shown)
            m_screen.setTabShown(page, true);
        m_screen.setActivePage(layout.page);
        m_screen.setVisible(QStringLiteral("suiPageControl1"), true);
        return;
    }
}

void DeviceSelection::selectMeterReader(int group, int item, const QString &serial)
{
    colourItems(group, item);
    switchViews(DeviceKind::meterReader);
    m_screen.setCaption(QStringLiteral("LblGiden"), QString());
    m_screen.setCaption(QStringLiteral("LblMesaj"), QString());
    m_screen.setCaption(serialField, serial.trimmed());
    m_state.lastDeviceKind = DeviceKind::meterReader;
    Q_EMIT meterReaderSelected();
}

void DeviceSelection::selectDevice(int group, int item, int kind, const QString &serial)
{
    colourItems(group, item);
    m_table.resetRow(1);
    if (kind != m_state.lastDeviceKind)
        switchViews(kind);
    m_state.lastDeviceKind = kind;
    if (!setActiveNumber(serial))
        return;
    m_state.pendingKind = QStringLiteral("anideger");
    m_table.setSlotCursor(0);
    m_connection.send(MessageFramer::request(QStringLiteral("enertum"), {m_screen.caption(serialField)}));
    m_screen.setCaption(QStringLiteral("LblGiden"), QStringLiteral("Lütfen bekleyin..."));
    m_screen.setCaption(QStringLiteral("LblMesaj"), QString());
}

bool DeviceSelection::setActiveNumber(const QString &serial)
{
    // The number as the device list gave it, with the leading blank the relay requests carry.
    const QString number = QLatin1Char(' ') + serial;
    m_screen.setCaption(serialField, number.trimmed());
    m_screen.setCaption(QStringLiteral("Sno"), number);
    const auto value = parseInt64(number);
    if (!value) {
        m_environment.showError(QStringLiteral("'%1' is not a valid integer value").arg(number));
        return false;
    }
    m_state.activeDeviceNumber = *value;
    return true;
}

void DeviceSelection::handleOffLine(ReplyText &text)
{
    text.drop(QStringLiteral("Hattayok").size() + 1);
    const QString serial = text.takeField();
    text.drop(1);
    m_screen.setCaption(QStringLiteral("LblMesaj"),
                        serial +
                            QStringLiteral(" Seri Nolu cihaz hatta değil. Lütfen sonra tekrar deneyin..."));
    Q_EMIT deviceOffLine(serial.trimmed());
}

void DeviceSelection::activeDeviceTextChanged()
{
    m_screen.setCaption(QStringLiteral("AktifCihaz1"),
                        QStringLiteral("Aktif Cihaz: ") + m_screen.caption(serialField));
}

} // namespace korvel
