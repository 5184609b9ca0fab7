#include "history/Quantities.h"

#include <iterator>

namespace korvel::history
{

namespace
{
// The tab "Analizör-Ani Değerler" in slot order; the energy sums carry no unit on the tab.
const Quantity table[] = {
    {"V1 (V)", 0},
    {"V2 (V)", 1},
    {"V3 (V)", 2},
    {"V12 (V)", 3},
    {"V23 (V)", 4},
    {"V31 (V)", 5},
    {"I1 (A)", 6},
    {"I2 (A)", 7},
    {"I3 (A)", 8},
    {"P1 (kW)", 9},
    {"P2 (kW)", 10},
    {"P3 (kW)", 11},
    {"Q1 (kVAr)", 12},
    {"Q2 (kVAr)", 13},
    {"Q3 (kVAr)", 14},
    {"cos φ1", 15},
    {"cos φ2", 16},
    {"cos φ3", 17},
    {"PF1", 18},
    {"PF2", 19},
    {"PF3", 20},
    {"S1 (kVA)", 21},
    {"S2 (kVA)", 22},
    {"S3 (kVA)", 23},
    {"P1n (kW)", 24},
    {"P2n (kW)", 25},
    {"P3n (kW)", 26},
    {"ΣW", 27},
    {"ΣWP", 28},
    {"ΣWN", 29},
    {"ΣRL", 30},
    {"ΣRC", 31},
    {"ΣR", 32},
    {"cos φ", 33},
    {"PF", 34},
    {"f (Hz)", 35, SlotPart::Frequency},
    {"Girişler", 35, SlotPart::Inputs},
};
} // namespace

std::span<const Quantity> quantities()
{
    return table;
}

int quantityIndex(const QString &name)
{
    for (int i = 0; i < int(std::size(table)); ++i) {
        if (name == QString::fromUtf8(table[i].name))
            return i;
    }
    return -1;
}

} // namespace korvel::history
