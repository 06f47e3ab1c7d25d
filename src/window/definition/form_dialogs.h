#pragma once

#include "window/definition/window_definition.h"

namespace veil::ui {

// The dialogs of the sealed and stealth forms, as data: each is built by
// the machinery that builds the main window, and shown modally over it.
const WindowSpec& SealedHideDialog();
const WindowSpec& StealthHideDialog();
const WindowSpec& OpenWithPasswordDialog();

}  // namespace veil::ui
