#pragma once

#include <optional>
#include <string>

namespace veil::win32 {

// The program keeps text as UTF-8; the A functions of the Windows API take
// the system's ANSI code page.

// Text for display: characters the code page lacks become '?'.
std::string ToAnsi(const std::string& utf8);
// Text that must arrive exactly (a path): nothing when the code page cannot
// express every character.
std::optional<std::string> ToAnsiExactly(const std::string& utf8);
std::string FromAnsi(const std::string& ansi);
std::wstring ToWide(const std::string& utf8);
std::string FromWide(const std::wstring& wide);

}  // namespace veil::win32
