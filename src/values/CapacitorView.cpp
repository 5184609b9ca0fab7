#include "values/CapacitorView.h"

#include "core/ClientState.h"
#include "core/Screen.h"
#include "values/DeviceValueTable.h"
#include "values/FloatBytes.h"
#include "values/NumberFormat.h"

namespace korvel
{

namespace
{
constexpr int statesSlot = 52;
constexpr int firstPowerSlot = 53; // six per group, group by group
constexpr int firstPhaseSlot = 77; // one byte per step, four steps a slot

// The power displays of each group, step k appended.
const char *const powerPrefixes[] = {"CA", "CB", "CC", "CE"};
const char *const phaseSuffixes[] = {"CHK_R", "CHK_S", "CHK_T", "CHK_RST"};

// The box a phase byte ticks (R, S, T, RST); 0 clears all four, other values leave them.
int phaseBox(int byte)
{
    switch (byte) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 4:
        return 2;
    case 7:
        return 3;
    default:
        return -1;
    }
}
} // namespace

const QString CapacitorView::activePicture = QStringLiteral("kondaktif.bmp");
const QString CapacitorView::passivePicture = QStringLiteral("kondpasif.bmp");

CapacitorView::CapacitorView(Screen &screen, const ClientState &state, const DeviceValueTable &table)
    : m_screen(screen), m_state(state), m_table(table)
{
    for (int g = 0; g < Groups; ++g) {
        for (int k = 0; k < StepsPerGroup; ++k) {
            m_pictures[g][k] = QStringLiteral("F%1%2").arg(g + 1).arg(k + 1);
            m_powers[g][k] = QString::fromLatin1(powerPrefixes[g]) + QString::number(k + 1);
        }
    }
    for (int n = 0; n < Steps; ++n) {
        for (int box = 0; box < 4; ++box)
            m_phaseBoxes[n][box] = QStringLiteral("C%1").arg(n + 1) + QString::fromLatin1(phaseSuffixes[box]);
    }
}

void CapacitorView::render(int row)
{
    states(row);
    for (int g = 0; g < Groups; ++g) {
        for (int k = 0; k < StepsPerGroup; ++k) {
            const int slot = firstPowerSlot + g * StepsPerGroup + k;
            m_screen.setCaption(m_powers[g][k],
                                m_table.hasValue(row, slot)
                                    ? formatMask(m_table.value(row, slot), u"0.000", m_state.decimalSeparator)
                                    : QString());
        }
    }
    for (int i = 0; i < Steps / 4; ++i)
        phases(4 * i, row, firstPhaseSlot + i);
}

void CapacitorView::states(int row)
{
    // No state received: no picture, since either picture would claim a state.
    if (!m_table.hasValue(row, statesSlot)) {
        for (const auto &group : m_pictures) {
            for (const QString &picture : group)
                m_screen.setPicture(picture, QString());
        }
        return;
    }
    // Byte g holds group g's steps, bit k its step k; bits 6 and 7 are unused.
    const auto bytes = SplitToBytes(m_table.value(row, statesSlot));
    for (int k = 0; k < StepsPerGroup; ++k) {
        for (int g = 0; g < Groups; ++g) {
            const bool active = (bytes[g] >> k) & 1;
            // A picture that cannot be loaded leaves this step's later groups as they were.
            if (!m_screen.setPicture(m_pictures[g][k], active ? activePicture : passivePicture))
                break;
        }
    }
}

void CapacitorView::phases(int firstStep, int row, int slot)
{
    // Phases never received tick no box; a byte of 0 clears the boxes the same way.
    const auto bytes =
        m_table.hasValue(row, slot) ? SplitToBytes(m_table.value(row, slot)) : std::array<int, 4>{};
    for (int j = 0; j < 4; ++j) {
        const auto &boxes = m_phaseBoxes[firstStep + j];
        if (bytes[j] == 0) {
            for (const QString &box : boxes)
                m_screen.setChecked(box, false);
        } else if (const int box = phaseBox(bytes[j]); box >= 0) {
            m_screen.setChecked(boxes[box], true);
        }
    }
}

} // namespace korvel
