#include "window/commands/viewable_types.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace veil {
namespace {

// Opened by viewers and players that show their content. Left out on purpose:
// web pages and what browsers render with scripts (htm, html, mht, svg, xml,
// xsl), Office files that carry macros (docm, xlsm, pptm), disk images that
// Windows mounts (iso, img, vhd), installer cabinets (cab), and Java archives
// (jar), which run.
constexpr std::array<std::string_view, 59> kViewable = {
    // documents
    "txt", "log", "csv", "pdf", "rtf", "doc", "docx", "xls", "xlsx", "ppt", "pptx", "odt", "ods", "odp", "wps", "epub",
    // pictures
    "bmp", "png", "jpg", "jpeg", "jpe", "gif", "tif", "tiff", "webp", "ico", "heic",
    // sound
    "mp3", "wav", "ogg", "oga", "opus", "flac", "aac", "m4a", "wma", "mid", "midi", "amr",
    // video
    "mp4", "m4v", "mkv", "avi", "mov", "wmv", "webm", "mpg", "mpeg", "flv", "3gp", "rmvb",
    // archives
    "zip", "7z", "rar", "gz", "tgz", "bz2", "xz", "tar"};

}  // namespace

bool IsViewableType(const std::string& path) {
  const std::size_t name = path.find_last_of("/\\");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (name != std::string::npos && dot < name)) return false;
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return std::find(kViewable.begin(), kViewable.end(), extension) != kViewable.end();
}

}  // namespace veil
