#include "values/ValueRenderer.h"

#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "core/Ticker.h"
#include "values/DeviceValueTable.h"
#include "values/FloatBytes.h"
#include "values/NumberFormat.h"

#include <cmath>

namespace korvel
{

namespace
{
enum class Rule {
    PhaseVoltage, // above 1000 V in kV, general format
    LineVoltage,  // the same, with its unit label switching between "kV" and "V"
    Current,      // above 999 A without decimals
    Fixed3,       // "0.000"
    CosPhi,       // "0.000" and the needle
    FrequencyInputs,
};

struct SlotRule {
    Rule rule;
    const char *control;
    const char *unit = nullptr;
};

// Slots 0 to 35 of the tab "Analizör-Ani Değerler".
const SlotRule instantSlots[] = {
    {Rule::PhaseVoltage, "V1"},
    {Rule::PhaseVoltage, "V2"},
    {Rule::PhaseVoltage, "V3"},
    {Rule::LineVoltage, "L12", "Lv12"},
    {Rule::LineVoltage, "L23", "lv23"},
    {Rule::LineVoltage, "L31", "lv31"},
    {Rule::Current, "akm1"},
    {Rule::Current, "akm2"},
    {Rule::Current, "akm3"},
    {Rule::Fixed3, "kW1"},
    {Rule::Fixed3, "Kw2"},
    {Rule::Fixed3, "kW3"},
    {Rule::Fixed3, "kr1"},
    {Rule::Fixed3, "kr2"},
    {Rule::Fixed3, "kr3"},
    {Rule::Fixed3, "Cos1"},
    {Rule::Fixed3, "Cos2"},
    {Rule::Fixed3, "Cos3"},
    {Rule::Fixed3, "Pf1"},
    {Rule::Fixed3, "Pf2"},
    {Rule::Fixed3, "Pf3"},
    {Rule::Fixed3, "KVA1"},
    {Rule::Fixed3, "KVA2"},
    {Rule::Fixed3, "KVA3"},
    {Rule::Fixed3, "kW1n"},
    {Rule::Fixed3, "kw2n"},
    {Rule::Fixed3, "kw3n"},
    {Rule::Fixed3, "EW"},
    {Rule::Fixed3, "EWP"},
    {Rule::Fixed3, "EWN"},
    {Rule::Fixed3, "ERL"},
    {Rule::Fixed3, "ERC"},
    {Rule::Fixed3, "ER"},
    {Rule::CosPhi, "CosE"},
    {Rule::Fixed3, "PFE"},
    {Rule::FrequencyInputs, "Fr"},
};

// The input lamps in the order of the inputs' bits.
const char *const inputLamps[] = {"Shape9", "Shape2", "Shape3", "Shape4",
                                  "Shape5", "Shape6", "Shape7", "Shape8"};

QString control(const char *name)
{
    return QString::fromLatin1(name);
}

// A lamp whose input state never arrived: neither of the state colours.
constexpr Colour noValueLamp = rgb(128, 128, 128);

// Nothing received for the slot: an empty face rather than the -1 the table holds in its place, the
// needle at rest in the centre and the input lamps grey.
void renderNoValue(Screen &screen, const SlotRule &rule)
{
    screen.setCaption(control(rule.control), QString());
    switch (rule.rule) {
    case Rule::LineVoltage:
        screen.setCaption(control(rule.unit), QStringLiteral("V"));
        break;
    case Rule::CosPhi:
        screen.setPosition(QStringLiteral("VrMeter2"), 0);
        break;
    case Rule::FrequencyInputs:
        for (const char *lamp : inputLamps)
            screen.setColour(control(lamp), noValueLamp);
        break;
    case Rule::PhaseVoltage:
    case Rule::Current:
    case Rule::Fixed3:
        break;
    }
}

// The relay sends the year as years since 2000. Writing "200" in front of it suits only 2000 to 2009;
// a two-digit year becomes the full year, anything else (-1 before data) keeps the old form.
QString relayYear(int yearByte)
{
    return yearByte >= 0 && yearByte <= 99 ? QString::number(2000 + yearByte)
                                           : QStringLiteral("200") + QString::number(yearByte);
}
} // namespace

ValueRenderer::ValueRenderer(Screen &screen, Environment &environment, const ClientState &state,
                             const DeviceValueTable &table, QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment), m_state(state), m_table(table),
      m_timer(environment.makeTicker(QStringLiteral("TFrmAna.Timer1"), 1000, this))
{
    connect(m_timer, &Ticker::ticked, this, &ValueRenderer::renderPass);
    m_timer->start();
}

int ValueRenderer::needlePosition(double cosPhi)
{
    const double position = cosPhi >= 0 ? 100.0 * (1.0 - cosPhi) : -100.0 * (1.0 - std::fabs(cosPhi));
    // Clamped before it becomes an integer, so that no value can overflow the conversion.
    return int(std::nearbyint(std::clamp(position, -50.0, 50.0)));
}

void ValueRenderer::renderPass()
{
    if (m_screen.isVisible(QStringLiteral("Panel7")))
        renderFull();
    else
        renderCompact();
}

int ValueRenderer::rowToShow()
{
    const QString text = m_screen.caption(QStringLiteral("Edit1"));
    const auto row = parseInt32(text);
    if (row && *row >= DeviceValueTable::FirstRow && *row <= DeviceValueTable::LastRow) {
        m_reportedRowText.clear();
        return *row;
    }
    // One message per change of the text, not one per tick.
    if (text != m_reportedRowText) {
        m_reportedRowText = text;
        m_environment.showError(row ? QStringLiteral("Satır numarası %1 ile %2 arasında olmalı.")
                                          .arg(DeviceValueTable::FirstRow)
                                          .arg(DeviceValueTable::LastRow)
                                    : QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    return 0;
}

void ValueRenderer::renderFull()
{
    m_screen.setCaption(QStringLiteral("Label17"), QString::number(m_state.activeDeviceNumber));
    const int row = rowToShow();
    if (row == 0)
        return;
    for (int slot = 0; slot < int(std::size(instantSlots)); ++slot)
        renderSlot(row, slot);
    for (const Section &section : m_sections) {
        if (!section(row))
            return;
    }
}

void ValueRenderer::addSection(Section section)
{
    m_sections.push_back(std::move(section));
}

void ValueRenderer::renderSlot(int row, int slot)
{
    const SlotRule &rule = instantSlots[slot];
    const QString name = control(rule.control);
    if (!m_table.hasValue(row, slot)) {
        renderNoValue(m_screen, rule);
        return;
    }
    const double value = m_table.value(row, slot);
    const QChar separator = m_state.decimalSeparator;
    switch (rule.rule) {
    case Rule::PhaseVoltage:
    case Rule::LineVoltage: {
        const bool kilo = value > 1000;
        m_screen.setCaption(name, kilo ? formatGeneral(value / 1000, separator)
                                       : formatMask(value, u"000.0", separator));
        if (rule.unit)
            m_screen.setCaption(control(rule.unit), kilo ? QStringLiteral("kV") : QStringLiteral("V"));
        break;
    }
    case Rule::Current:
        m_screen.setCaption(name, formatMask(value, value > 999 ? u"0000" : u"00.000", separator));
        break;
    case Rule::Fixed3:
        m_screen.setCaption(name, formatMask(value, u"0.000", separator));
        break;
    case Rule::CosPhi:
        m_screen.setCaption(name, formatMask(value, u"0.000", separator));
        m_screen.setPosition(QStringLiteral("VrMeter2"), needlePosition(value));
        break;
    case Rule::FrequencyInputs: {
        const auto bytes = SplitToBytes(value);
        m_screen.setCaption(name, formatMask((bytes[0] * 256 + bytes[1]) / 10.0, u"00.0", separator));
        for (int bit = 0; bit < 8; ++bit)
            m_screen.setColour(control(inputLamps[bit]),
                               (bytes[2] >> bit) & 1 ? colours::red : colours::green);
        break;
    }
    }
}

void ValueRenderer::renderCompact()
{
    // Drawn only from bytes that changed since the last draw, so a newer "akimdegerleri" reply is not
    // overwritten by the older dump on the next tick.
    std::array<int, 24> bytes{};
    for (int i = 0; i < 24; ++i)
        bytes[size_t(i)] = m_table.rawByte(1, i / 4, i % 4);
    if (m_compactDrawn == bytes)
        return;
    m_compactDrawn = bytes;
    const auto raw = [this](int slot, int k) { return QString::number(m_table.rawByte(1, slot, k)); };
    const bool clock = m_table.hasValue(1, 0);
    m_screen.setCaption(QStringLiteral("Saat"),
                        clock ? raw(0, 2) + u':' + raw(0, 1) + u':' + raw(0, 0) : QString());
    m_screen.setCaption(QStringLiteral("Trh"),
                        clock && m_table.hasValue(1, 1)
                            ? raw(0, 3) + u'.' + raw(1, 2) + u'.' + relayYear(m_table.rawByte(1, 1, 3))
                            : QString());
    const char *currents[] = {"akim1", "akim2", "akim3", "akimt"};
    for (int i = 0; i < 4; ++i) {
        const int slot = 2 + i;
        if (!m_table.hasValue(1, slot)) {
            m_screen.setCaption(control(currents[i]), QString());
            continue;
        }
        const double value =
            Float32FromBytes(m_table.rawByte(1, slot, 0) & 0xFF, m_table.rawByte(1, slot, 1) & 0xFF,
                             m_table.rawByte(1, slot, 2) & 0xFF, m_table.rawByte(1, slot, 3) & 0xFF);
        m_screen.setCaption(control(currents[i]), formatGeneral(value, m_state.decimalSeparator));
    }
}

} // namespace korvel
