#include "commands/executable_types.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace veil {

bool IsExecutableType(const std::string& path) {
  static constexpr std::array<std::string_view, 21> kRun = {
      "exe", "com", "bat", "cmd", "scr", "pif", "msi", "vbs", "vbe", "js", "jse",
      "wsf", "wsh", "ps1", "hta", "cpl", "lnk", "reg", "jar", "desktop", "sh"};
  // Windows ignores trailing dots and blanks in a name.
  const std::string_view trimmed(path.data(), path.find_last_not_of(". ") + 1);
  const std::size_t name = trimmed.find_last_of("/\\");
  const std::size_t dot = trimmed.rfind('.');
  if (dot == std::string_view::npos || (name != std::string_view::npos && dot < name)) return false;
  std::string extension(trimmed.substr(dot + 1));
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return std::find(kRun.begin(), kRun.end(), extension) != kRun.end();
}

}  // namespace veil
