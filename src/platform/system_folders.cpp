#include "platform/system_folders.h"

#include <cctype>

namespace veil {

namespace {

bool SameName(char a, char b, bool case_blind) {
  if (!case_blind) return a == b;
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool LiesIn(std::string_view path, std::string_view folder, char separator, bool case_blind) {
  while (folder.size() > 1 && folder.back() == separator) folder.remove_suffix(1);
  if (folder.empty() || path.size() < folder.size()) return false;
  for (std::size_t i = 0; i < folder.size(); ++i)
    if (!SameName(path[i], folder[i], case_blind)) return false;
  return path.size() == folder.size() || path[folder.size()] == separator || folder.back() == separator;
}

}  // namespace

bool LiesInAnyFolder(std::string_view path, const std::vector<std::string>& folders, char separator,
                     bool case_blind) {
  for (const std::string& folder : folders)
    if (LiesIn(path, folder, separator, case_blind)) return true;
  return false;
}

const std::vector<std::string>& LinuxSystemFolders() {
  static const std::vector<std::string> folders = {"/usr",  "/bin",  "/sbin", "/lib", "/lib32", "/lib64",
                                                   "/libx32", "/opt", "/etc",  "/boot", "/snap", "/var/lib"};
  return folders;
}

}  // namespace veil
