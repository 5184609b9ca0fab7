#pragma once

#include <QString>
#include <span>

namespace korvel::history
{

// How a stored quantity comes out of its value table slot.
enum class SlotPart {
    Value,     // the slot's value as the views show it
    Frequency, // the frequency in the first two bytes of the slot
    Inputs,    // the input bits in its third byte
};

// One measured quantity the history keeps, named as the views name it, with its unit in brackets.
// The position in quantities() is its column in the store, so new ones go at the end.
struct Quantity {
    const char *name;
    int slot;
    SlotPart part = SlotPart::Value;
};

std::span<const Quantity> quantities();
// The column index of a quantity by its name ("V1 (V)"), -1 when there is none.
int quantityIndex(const QString &name);
// Quantities are read from the instantaneous slots only.
constexpr int LastQuantitySlot = 35;

} // namespace korvel::history
