#pragma once

#include <string>

namespace veil {

// What a UTF-8 path names, through any symbolic links; false when nothing
// is there or it cannot be looked at.
// A regular file: what a staged output would replace (a FIFO or a device is
// written through, never replaced).
bool NamesRegularFile(const std::string& path);
bool NamesFolder(const std::string& path);

}  // namespace veil
