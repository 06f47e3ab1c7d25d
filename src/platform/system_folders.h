#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veil {

// Whether path is one of the folders or lies inside one of them, judged by
// whole path components; case_blind for systems whose names ignore case.
bool LiesInAnyFolder(std::string_view path, const std::vector<std::string>& folders, char separator,
                     bool case_blind);

// The folders a Linux system keeps its programs and their data in: no
// place for a user's files, even where this user may write (as root may).
const std::vector<std::string>& LinuxSystemFolders();

}  // namespace veil
