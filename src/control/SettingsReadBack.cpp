#include "control/SettingsReadBack.h"

#include "core/ClientState.h"
#include "core/Screen.h"
#include "values/DeviceValueTable.h"
#include "values/FloatBytes.h"
#include "values/NumberFormat.h"

namespace korvel
{

namespace
{
QString name(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

// A bank byte holds the count minus one; 255 is a count of 0.
QString bankCount(int byte)
{
    return byte == 255 ? QStringLiteral("0") : QString::number(byte + 1);
}

// The real settings and their formats.
const struct {
    int slot;
    const char *label;
    const char16_t *mask;
} realSlots[] = {
    {103, "LBLILKKVA1", u"00.000"}, {104, "LBLILKKVA3", u"00.000"}, {105, "LBLCOSMIN1", u"0.000"},
    {106, "LBLCOSMAX1", u"0.000"},  {107, "LBLCOSMIN3", u"0.000"},  {108, "LBLCOSMAX3", u"0.000"},
};
} // namespace

void SettingsReadBack::draw(int row) const
{
    const auto setNumber = [this](const char *label, int number) {
        m_screen.setCaption(name(label), QString::number(number));
    };
    const auto ratios = SplitToBytes(m_table.value(row, 100));
    setNumber("LBLVT", ratios[0] * 256 + ratios[1]);
    setNumber("LBLCT", ratios[2] * 256 + ratios[3]);

    const auto times = SplitToBytes(m_table.value(row, 101));
    setNumber("LBLALMASURE1", times[0]);
    setNumber("LBLCIKMASURE1", times[1]);
    setNumber("LBLALMASURE2", times[2]);
    setNumber("LBLCIKMASURE2", times[3]);

    const auto banks = SplitToBytes(m_table.value(row, 102));
    m_screen.setCaption(QStringLiteral("LBLBANK1"), bankCount(banks[0]));
    m_screen.setCaption(QStringLiteral("LBLBANK2"), bankCount(banks[1]));
    setNumber("LBLMOD1", banks[2]);
    setNumber("LBLMOD2", banks[3]);

    for (const auto &r : realSlots)
        m_screen.setCaption(name(r.label),
                            formatMask(m_table.value(row, r.slot), r.mask, m_state.decimalSeparator));

    // Any mode other than 1 (automatic) or 0 (manual) leaves both labels as they are.
    const int mode = SplitToBytes(m_table.value(row, 109))[2];
    if (mode == 0 || mode == 1) {
        const QString active = mode == 1 ? QStringLiteral("lbloto") : QStringLiteral("lblmanual");
        const QString passive = mode == 1 ? QStringLiteral("lblmanual") : QStringLiteral("lbloto");
        m_screen.setCaption(active, QStringLiteral("Aktif"));
        m_screen.setColour(active, colours::lime);
        m_screen.setCaption(passive, QStringLiteral("Pasif"));
        m_screen.setColour(passive, colours::red);
    }
}

} // namespace korvel
