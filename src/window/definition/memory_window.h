#pragma once

#include "platform/memory_controls.h"
#include "window/definition/window_definition.h"

namespace veil::ui {

// Fills controls with the window's controls as memory controls, each with
// the members its kind has and its designed initial values.
void BuildMemoryWindow(const WindowSpec& window, MemoryControls& controls);

}  // namespace veil::ui
