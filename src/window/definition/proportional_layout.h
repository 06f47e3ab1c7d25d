#pragma once

#include <string>

#include "platform/control.h"

namespace veil::ui {

// Writes every control's design Left, Top, Width, Height and FontSize into
// its Tag, each followed by one blank; a failing step is skipped.
void RecordDesignLayout(ControlSet& controls);

// Moves and scales every control from its Tag for a client area of the given
// size, against the design size. Tags are never changed here, so resizing
// never accumulates rounding.
void ApplyProportionalLayout(ControlSet& controls, double client_width, double client_height, double design_width,
                             double design_height);

// A single-precision value in the shortest text that reads back unchanged.
std::string FormatLayoutNumber(double value);

}  // namespace veil::ui
