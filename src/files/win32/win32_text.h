#pragma once

#include <string>

namespace veil::win32 {

// The program keeps text as UTF-8; Windows takes it as UTF-16 through the W
// functions, so that no text or file name passes through the ANSI code page.
// Ill-formed input becomes U+FFFD rather than vanishing.
std::wstring ToWide(const std::string& utf8);
std::string FromWide(const std::wstring& wide);
std::string FromWide(const wchar_t* wide);

// A path as the file functions take it: made absolute, and prefixed so that
// paths longer than MAX_PATH work too.
std::wstring LongPath(const std::string& utf8);

// The system's own text for an error code, in UTF-8.
std::string SystemMessage(unsigned long error);

}  // namespace veil::win32
