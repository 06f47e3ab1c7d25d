#include "window/settings/user_settings.h"

#include <charconv>

namespace veil::settings {

std::string ReadUserSetting(SettingsStore& store, const std::string& application, const std::string& section,
                            const std::string& key, const std::string& fallback) {
  return store.Read(application, section, key).value_or(fallback);
}

int ParseCheckState(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  const auto last = text.find_last_not_of(" \t");
  if (first == std::string::npos) return 0;
  int value = 0;
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  if (*begin == '+') ++begin;
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc{} || stop != end) return 0;
  return (value >= 0 && value <= 2) ? value : 0;
}

int ReadClearAfterExtractPreference(SettingsStore& store) {
  return ParseCheckState(ReadUserSetting(store, "Nerox", "Murkquill", "clearBMP", "0"));
}

}  // namespace veil::settings
