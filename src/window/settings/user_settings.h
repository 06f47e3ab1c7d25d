#pragma once

#include <string>

#include "platform/settings_store.h"

namespace veil::settings {

// The stored text, or fallback when the application, section or key is missing.
std::string ReadUserSetting(SettingsStore& store, const std::string& application, const std::string& section,
                            const std::string& key, const std::string& fallback);

// The check box state to start ChkclearBmp in: 0 (keep the hidden data),
// 1 (wipe after extraction) or 2 (greyed, also wipes). Anything else that
// may be stored counts as 0.
int ReadClearAfterExtractPreference(SettingsStore& store);

// The stored text as a check box state, blanks around the digits allowed.
int ParseCheckState(const std::string& text);

}  // namespace veil::settings
