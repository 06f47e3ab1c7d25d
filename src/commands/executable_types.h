#pragma once

#include <string>

namespace veil {

// A file the desktop would run rather than show, by the extension of its
// name (Windows' executable and script types, and the Linux desktop's).
bool IsExecutableType(const std::string& path);

}  // namespace veil
