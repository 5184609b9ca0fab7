#include "values/ConsumptionView.h"

#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "values/DeviceValueTable.h"
#include "values/NumberFormat.h"

#include <cmath>

namespace korvel
{

namespace
{
enum class Rule {
    Energy,          // the four-range format
    EnergyAndTotal,  // then the active total
    EnergyAndSign,   // then the sign label beside the total active power
    InductiveTotal,  // meter reading plus the slot, and its ratio to the active total
    CapacitiveTotal, // the same, the ratio shown without its sign
};

struct SlotRule {
    int slot;
    Rule rule;
    const char *control;
};

// Slots 36 to 51; 39 to 41, 48 and 49 are not shown.
const SlotRule consumptionSlots[] = {
    {36, Rule::Energy, "kWh1"},           {37, Rule::Energy, "kwh2"},
    {38, Rule::EnergyAndTotal, "kwh3"},   {42, Rule::Energy, "kVArLh1"},
    {43, Rule::Energy, "kVArLh2"},        {44, Rule::Energy, "kVArLh3"},
    {45, Rule::EnergyAndSign, "kVArCh1"}, {46, Rule::EnergyAndSign, "kVArCh2"},
    {47, Rule::EnergyAndSign, "kVArCh3"}, {50, Rule::InductiveTotal, "Elh"},
    {51, Rule::CapacitiveTotal, "ECh"},
};

// The counters lose a decimal for each further digit, so that a display keeps its width.
const char16_t *energyMask(double value)
{
    if (value < 100000)
        return u"00000.000";
    if (value < 1000000)
        return u"000000.00";
    if (value < 10000000)
        return u"0000000.0";
    return u"00000000";
}

const QString activeTotalName = QStringLiteral("Ewh");
// The counters the active total adds up.
constexpr int activeCounterSlots[] = {36, 37, 38};
const QString activeParts[] = {QStringLiteral("kWh1"), QStringLiteral("kwh2"), QStringLiteral("kwh3"),
                               QStringLiteral("SayacAktif")};
const QString signLabel = QStringLiteral("Label76");
const QString inductiveMeter = QStringLiteral("Sayacind");
const QString capacitiveMeter = QStringLiteral("SayacKap");
const QString inductiveRatio = QStringLiteral("Toplamindoran");
const QString capacitiveRatio = QStringLiteral("Toplamkaporan");
} // namespace

ConsumptionView::ConsumptionView(Screen &screen, Environment &environment, const ClientState &state,
                                 const DeviceValueTable &table)
    : m_screen(screen), m_environment(environment), m_state(state), m_table(table)
{
    for (const SlotRule &rule : consumptionSlots)
        m_controls.push_back(QString::fromLatin1(rule.control));
}

QString ConsumptionView::totalText(double reading, int row, int slot, bool capacitive) const
{
    return formatMask(reading + m_table.value(row, slot), capacitive ? u"0.00" : u"0.000",
                      m_state.decimalSeparator);
}

std::optional<double> ConsumptionView::number(const QString &control) const
{
    return parseDecimal(m_screen.caption(control), m_state.decimalSeparator);
}

bool ConsumptionView::render(int row)
{
    const QChar separator = m_state.decimalSeparator;
    for (size_t i = 0; i < std::size(consumptionSlots); ++i) {
        const SlotRule &rule = consumptionSlots[i];
        const QString &name = m_controls[i];
        const bool received = m_table.hasValue(row, rule.slot);
        const double value = m_table.value(row, rule.slot);
        // A counter that never arrived shows an empty face, and what is derived from it stays empty.
        const auto showEnergy = [&] {
            m_screen.setCaption(name, received ? formatMask(value, energyMask(value), separator) : QString());
        };
        switch (rule.rule) {
        case Rule::Energy:
            showEnergy();
            break;
        case Rule::EnergyAndTotal:
            showEnergy();
            activeTotal(row);
            break;
        case Rule::EnergyAndSign:
            showEnergy();
            // Each of the three slots decides in turn and nothing is drawn between them, so only the
            // last one is applied: a label hidden and shown again every second would relay out its
            // panel every second.
            if (i + 1 == std::size(consumptionSlots) || consumptionSlots[i + 1].rule != Rule::EnergyAndSign)
                m_screen.setVisible(signLabel, received && value < 0);
            break;
        case Rule::InductiveTotal:
            if (!reactiveTotal(row, rule.slot, inductiveMeter, name, inductiveRatio, false))
                return false;
            break;
        case Rule::CapacitiveTotal:
            if (!reactiveTotal(row, rule.slot, capacitiveMeter, name, capacitiveRatio, true))
                return false;
            break;
        }
    }
    m_reported.clear();
    return true;
}

bool ConsumptionView::activeCountersReceived(int row) const
{
    for (int slot : activeCounterSlots) {
        if (!m_table.hasValue(row, slot))
            return false;
    }
    return true;
}

void ConsumptionView::activeTotal(int row)
{
    if (!activeCountersReceived(row)) {
        m_screen.setCaption(activeTotalName, QString());
        return;
    }
    // The sum of what the four displays show; a display that holds no number leaves the total as it was.
    double sum = 0;
    for (const QString &part : activeParts) {
        const auto n = number(part);
        if (!n)
            return;
        sum += *n;
    }
    if (!std::isfinite(sum))
        return;
    m_screen.setCaption(activeTotalName, formatGeneral(sum, m_state.decimalSeparator));
}

bool ConsumptionView::reactiveTotal(int row, int slot, const QString &meter, const QString &total,
                                    const QString &ratio, bool capacitive)
{
    const QChar separator = m_state.decimalSeparator;
    const QString meterText = m_screen.caption(meter);
    const auto reading = parseDecimal(meterText, separator);
    if (!reading) {
        // The pass stops here on every tick until the reading changes; one box per reading that fails.
        const QString failure = meter + u'\n' + meterText;
        if (failure != m_reported) {
            m_reported = failure;
            m_environment.showError(
                QStringLiteral("'%1' is not a valid floating point value").arg(meterText));
        }
        return false;
    }
    const bool received = m_table.hasValue(row, slot);
    m_screen.setCaption(total, received ? totalText(*reading, row, slot, capacitive) : QString());
    // The ratio needs the slot and the three active counters.
    if (!received || !activeCountersReceived(row)) {
        m_screen.setCaption(ratio, QString());
        return true;
    }
    const char16_t *mask = capacitive ? u"0.00" : u"0.000";
    // Without an active total to divide by, the ratio reads 0.
    const auto shownTotal = number(total);
    const auto active = number(activeTotalName);
    const double percent = shownTotal && active && *active != 0 ? *shownTotal / *active * 100.0 : NAN;
    m_screen.setCaption(ratio, std::isfinite(percent)
                                   ? formatMask(capacitive ? std::fabs(percent) : percent, mask, separator)
                                   : QStringLiteral("0"));
    return true;
}

} // namespace korvel
