#pragma once

#include <cctype>
#include <fstream>
#include <string>

namespace veil::test {

// A test vector as docs/format.md gives it: the indented lines after the
// comment "<!-- vector NAME -->", their hex digits run together (lower
// case); empty when the document has no such vector.
inline std::string DocumentedHex(const std::string& document, const std::string& name) {
  std::ifstream in(document);
  const std::string mark = "<!-- vector " + name + " -->";
  std::string line, hex;
  bool inside = false, started = false;
  while (std::getline(in, line)) {
    if (!inside) {
      inside = line.find(mark) != std::string::npos;
      continue;
    }
    const bool indented = line.rfind("    ", 0) == 0;
    if (!indented && (started || !line.empty())) break;
    if (!indented) continue;
    started = true;
    for (char c : line)
      if (std::isxdigit(static_cast<unsigned char>(c))) hex.push_back(static_cast<char>(std::tolower(c)));
  }
  return hex;
}

}  // namespace veil::test
