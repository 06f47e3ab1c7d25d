#include "files/same_file.h"

#include <filesystem>

namespace veil {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  const auto path = [](const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
  };
  return std::filesystem::equivalent(path(a), path(b), error) && !error;
}

}  // namespace veil
