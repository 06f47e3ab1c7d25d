#pragma once

#include <optional>
#include <string>

namespace veil {

// The per-user settings store: text values by application, section and key.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Nothing when the application, section or key is missing.
  virtual std::optional<std::string> Read(const std::string& application, const std::string& section,
                                          const std::string& key) = 0;
};

}  // namespace veil
