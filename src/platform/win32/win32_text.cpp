#include "platform/win32/win32_text.h"

#include <windows.h>

namespace veil::win32 {
namespace {

std::wstring Widen(const std::string& text, UINT code_page) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const std::wstring& wide, UINT code_page, BOOL* lossy) {
  if (wide.empty()) return {};
  BOOL* used_default = code_page == CP_UTF8 ? nullptr : lossy;
  const DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int n = WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, used_default);
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr,
                      used_default);
  return text;
}

}  // namespace

std::string ToAnsi(const std::string& utf8) {
  BOOL lossy = FALSE;
  return Narrow(Widen(utf8, CP_UTF8), CP_ACP, &lossy);
}

std::optional<std::string> ToAnsiExactly(const std::string& utf8) {
  BOOL lossy = FALSE;
  std::string ansi = Narrow(Widen(utf8, CP_UTF8), CP_ACP, &lossy);
  if (lossy) return std::nullopt;
  return ansi;
}

std::string FromAnsi(const std::string& ansi) {
  BOOL unused = FALSE;
  return Narrow(Widen(ansi, CP_ACP), CP_UTF8, &unused);
}

std::wstring ToWide(const std::string& utf8) { return Widen(utf8, CP_UTF8); }

std::string FromWide(const std::wstring& wide) {
  BOOL unused = FALSE;
  return Narrow(wide, CP_UTF8, &unused);
}

}  // namespace veil::win32
