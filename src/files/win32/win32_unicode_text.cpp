#include <windows.h>

#include "files/unicode_text.h"

namespace veil {

std::optional<std::string> ComposedForm(const std::string& utf8) {
  if (utf8.empty()) return std::string();
  const int wide_length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (wide_length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                      wide_length);
  // The first call gives an estimate; a longer result asks again.
  int estimate = NormalizeString(NormalizationC, wide.data(), wide_length, nullptr, 0);
  std::wstring composed;
  for (int tries = 0; tries < 10 && estimate > 0; ++tries) {
    composed.assign(static_cast<std::size_t>(estimate), L'\0');
    const int n = NormalizeString(NormalizationC, wide.data(), wide_length, composed.data(), estimate);
    if (n > 0) {
      composed.resize(static_cast<std::size_t>(n));
      break;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    estimate = -n;
  }
  if (composed.empty()) return std::nullopt;
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, composed.data(), static_cast<int>(composed.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, composed.data(), static_cast<int>(composed.size()), text.data(), length, nullptr,
                      nullptr);
  return text;
}

}  // namespace veil
