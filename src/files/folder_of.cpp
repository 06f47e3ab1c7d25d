#include "files/folder_of.h"

#include <filesystem>

namespace veil {

std::string FolderOf(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path given(std::u8string(path.begin(), path.end()));
  std::error_code error;
  const fs::path folder = fs::is_directory(given, error) ? given : given.parent_path();
  const std::u8string text = folder.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace veil
