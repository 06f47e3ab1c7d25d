#include "platform/win32/win32_desktop.h"

#include <shellapi.h>

#include "platform/message_boxes.h"
#include "platform/win32/win32_text.h"

namespace veil::win32 {

std::optional<std::string> Win32Shell::AnsiPath(const std::string& path) {
  auto ansi = ToAnsiExactly(path);
  if (!ansi) {
    const std::string text = "这个路径含有系统代码页无法表示的字符，无法处理：\n" + path;
    MessageBoxA(owner_, ToAnsi(text).c_str(), std::string(kApplicationTitle).c_str(), MB_ICONHAND);
  }
  return ansi;
}

void Win32Shell::OpenDocument(const std::string& path) {
  if (auto ansi = AnsiPath(path)) ShellExecuteA(nullptr, "open", ansi->c_str(), "", "", SW_SHOWNORMAL);
}

bool Win32Shell::RemoveFile(const std::string& path) {
  auto ansi = AnsiPath(path);
  return ansi && DeleteFileA(ansi->c_str());
}

bool Win32Shell::MoveOnto(const std::string& from, const std::string& to) {
  return MoveFileExW(ToWide(from).c_str(), ToWide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::optional<std::string> Win32SettingsStore::Read(const std::string& application, const std::string& section,
                                                    const std::string& key) {
  HKEY hkey = nullptr;
  const std::string path = "Software\\" + application + "\\" + section;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, ToAnsi(path).c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS) return std::nullopt;
  char value[256] = {};
  DWORD size = sizeof value - 1, type = 0;
  const LONG status = RegQueryValueExA(hkey, ToAnsi(key).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(hkey);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  return FromAnsi(value);
}

std::string Win32Environment::ProgramFolder() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  folder.erase(folder.find_last_of('\\') == std::string::npos ? 0 : folder.find_last_of('\\'));
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // a drive's root keeps its backslash
  return FromAnsi(folder);
}

TwipSize Win32Environment::ScreenSize() {
  return {scale_.ToTwipsX(GetSystemMetrics(SM_CXSCREEN)), scale_.ToTwipsY(GetSystemMetrics(SM_CYSCREEN))};
}

TwipSize Win32Environment::WindowSize() {
  RECT outer{};
  GetWindowRect(window_, &outer);
  return {scale_.ToTwipsX(outer.right - outer.left), scale_.ToTwipsY(outer.bottom - outer.top)};
}

TwipSize Win32Environment::ClientSize() {
  if (IsIconic(window_)) return {0, 0};
  RECT client{};
  GetClientRect(window_, &client);
  return {scale_.ToTwipsX(client.right), scale_.ToTwipsY(client.bottom)};
}

void Win32Environment::MoveWindow(double left, double top) {
  SetWindowPos(window_, nullptr, scale_.ToPixelsX(left), scale_.ToPixelsY(top), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Pump::Deliver(MSG& message) {
  if (window_ && accelerators_ && TranslateAcceleratorA(window_, accelerators_, &message)) return;
  if (window_ && IsDialogMessageA(window_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

void Win32Pump::DispatchPending() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {  // leave it for the main loop
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Deliver(message);
  }
}

}  // namespace veil::win32
