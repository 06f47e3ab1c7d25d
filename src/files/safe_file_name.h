#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veil {

// The most bytes a hidden file's name keeps (UTF-8): within what Linux
// and Windows allow for one path component.
inline constexpr std::size_t kMaxFileNameBytes = 255;
// The name a file takes when nothing of its own is left.
inline constexpr std::string_view kFallbackFileName = "hidden-file";

// A file name that is safe to create in a folder on Linux and on Windows,
// made from a name as given or as a picture claims it: its last path
// component (after any / or \); each byte that is no UTF-8, each control
// character (C0, C1, DEL, the bidirectional overrides) and each of <>:"|?*
// turned into '_'; trailing dots and blanks dropped; a Windows device name
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension) led by '_'; at
// most kMaxFileNameBytes bytes, cut on a character's boundary before the
// extension; kFallbackFileName for what is empty, "." or ".." by then.
std::string SafeFileName(std::string_view name);

}  // namespace veil
