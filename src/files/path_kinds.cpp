#include "files/path_kinds.h"

#include <filesystem>

namespace veil {
namespace {

std::filesystem::file_status StatusOf(const std::string& utf8) {
  std::error_code error;
  return std::filesystem::status(std::filesystem::path(std::u8string(utf8.begin(), utf8.end())), error);
}

}  // namespace

bool NamesRegularFile(const std::string& path) { return std::filesystem::is_regular_file(StatusOf(path)); }

bool NamesFolder(const std::string& path) { return std::filesystem::is_directory(StatusOf(path)); }

}  // namespace veil
