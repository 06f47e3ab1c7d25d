#pragma once

#include <string>

namespace veil {

// The folder a path means: itself when it is a folder, else the folder that
// holds it (without a trailing separator unless it is a root).
std::string FolderOf(const std::string& path);

}  // namespace veil
