#pragma once

#include <string>

namespace veil {

// Both paths name the same existing file (through links, or another spelling).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace veil
