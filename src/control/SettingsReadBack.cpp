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
    // A strip whose slot was never received stays empty rather than showing the bytes of -1.
    const auto show = [this, row](int slot, const char *label, auto text) {
        m_screen.setCaption(name(label), m_table.hasValue(row, slot)
                                             ? text(SplitToBytes(m_table.value(row, slot)))
                                             : QString());
    };
    const auto number = [](int n) { return QString::number(n); };
    using Bytes = std::array<int, 4>;
    show(100, "LBLVT", [&](const Bytes &b) { return number(b[0] * 256 + b[1]); });
    show(100, "LBLCT", [&](const Bytes &b) { return number(b[2] * 256 + b[3]); });
    const char *const times[] = {"LBLALMASURE1", "LBLCIKMASURE1", "LBLALMASURE2", "LBLCIKMASURE2"};
    for (int i = 0; i < 4; ++i)
        show(101, times[i], [&](const Bytes &b) { return number(b[std::size_t(i)]); });
    show(102, "LBLBANK1", [](const Bytes &b) { return bankCount(b[0]); });
    show(102, "LBLBANK2", [](const Bytes &b) { return bankCount(b[1]); });
    show(102, "LBLMOD1", [&](const Bytes &b) { return number(b[2]); });
    show(102, "LBLMOD2", [&](const Bytes &b) { return number(b[3]); });

    for (const auto &r : realSlots) {
        m_screen.setCaption(name(r.label),
                            m_table.hasValue(row, r.slot)
                                ? formatMask(m_table.value(row, r.slot), r.mask, m_state.decimalSeparator)
                                : QString());
    }

    // No mode received: neither label claims a mode. Any mode other than 1 (automatic) or 0 (manual)
    // leaves both labels as they are.
    if (!m_table.hasValue(row, 109)) {
        m_screen.setCaption(QStringLiteral("lbloto"), QString());
        m_screen.setCaption(QStringLiteral("lblmanual"), QString());
        return;
    }
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
