#include "platform/win32/win32_desktop.h"

#include <initguid.h>
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "files/win32/win32_text.h"
#include "platform/message_boxes.h"
#include "platform/system_folders.h"

namespace veil::win32 {

bool Win32Shell::OpenDocument(const std::string& path) {
  // Above 32: started; at or below, an error (no program is associated, say).
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", ToWide(path).c_str(), L"", L"", SW_SHOWNORMAL)) > 32;
}

void Win32Shell::ShowInFolder(const std::string& path) {
  // Explorer opens the folder with the file selected; the file never runs.
  if (PIDLIST_ABSOLUTE item = ILCreateFromPathW(ToWide(path).c_str())) {
    const HRESULT shown = SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
    ILFree(item);
    if (SUCCEEDED(shown)) return;
  }
  const std::string folder =
      path.substr(0, path.find_last_of("\\/") == std::string::npos ? 0 : path.find_last_of("\\/"));
  ShellExecuteW(owner_, L"explore", ToWide(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool Win32Shell::RemoveFile(const std::string& path) { return DeleteFileW(LongPath(path).c_str()) != FALSE; }

std::optional<std::string> Win32SettingsStore::Read(const std::string& application, const std::string& section,
                                                    const std::string& key) {
  HKEY hkey = nullptr;
  const std::string path = "Software\\" + application + "\\" + section;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, ToWide(path).c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS) return std::nullopt;
  wchar_t value[256] = {};
  DWORD size = sizeof value - sizeof(wchar_t), type = 0;
  const LONG status =
      RegQueryValueExW(hkey, ToWide(key).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(hkey);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  return FromWide(std::wstring(value, size / sizeof(wchar_t)).c_str());
}

std::string Win32Environment::ProgramFolder() {
  // Wide throughout: a name the ANSI code page cannot spell stays whole, and
  // no trail byte of a double-byte character is taken for a backslash.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  if (path.rfind(L"\\\\?\\", 0) == 0) path.erase(0, 4);
  const std::size_t slash = path.find_last_of(L'\\');
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // a drive's root keeps its backslash
  return FromWide(folder);
}

namespace {

// A known folder's path, or the user's profile folder where it has none.
std::string KnownFolderOrProfile(REFKNOWNFOLDERID id) {
  for (REFKNOWNFOLDERID each : {id, FOLDERID_Profile}) {
    PWSTR path = nullptr;
    const HRESULT found = SHGetKnownFolderPath(each, KF_FLAG_DEFAULT, nullptr, &path);
    std::string folder = SUCCEEDED(found) && path ? FromWide(path) : std::string();
    CoTaskMemFree(path);
    const DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(ToWide(folder).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return folder;
  }
  return {};
}

}  // namespace

std::string Win32Environment::DocumentsFolder() { return KnownFolderOrProfile(FOLDERID_Documents); }

std::string Win32Environment::PicturesFolder() { return KnownFolderOrProfile(FOLDERID_Pictures); }

bool Win32Environment::FolderIsWritable(const std::string& folder) {
  // Windows tells no folder's writability by its attributes (a folder's
  // read-only flag means something else): a hidden file that is gone when
  // closed tries it.
  std::string probe = folder;
  if (!probe.empty() && probe.back() != '\\') probe.push_back('\\');
  probe += ".veilwright-" + std::to_string(GetCurrentProcessId()) + ".tmp";
  const HANDLE file =
      CreateFileW(LongPath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                  FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  CloseHandle(file);
  return true;
}

bool Win32Environment::IsSystemFolder(const std::string& folder) {
  std::vector<std::string> system_folders;
  for (REFKNOWNFOLDERID id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_Windows}) {
    PWSTR path = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path)
      system_folders.push_back(FromWide(path));
    CoTaskMemFree(path);
  }
  return LiesInAnyFolder(folder, system_folders, '\\', true);
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
  if (window_ && accelerators_ && TranslateAcceleratorW(window_, accelerators_, &message)) return;
  // Enter on a focused push button presses it, as Space does.
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && message.hwnd) {
    wchar_t name[16] = {};
    GetClassNameW(message.hwnd, name, 16);
    const LONG style = GetWindowLongW(message.hwnd, GWL_STYLE) & BS_TYPEMASK;
    if (_wcsicmp(name, L"Button") == 0 && (style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON)) {
      SendMessageW(message.hwnd, BM_CLICK, 0, 0);
      return;
    }
  }
  if (window_ && IsDialogMessageW(window_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32Pump::ShowWaiting(bool waiting) {
  waiting_ = waiting;
  SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(waiting ? IDC_WAIT : IDC_ARROW)));
}

void Win32Pump::DispatchPending() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {  // leave it for the main loop
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Deliver(message);
  }
}

}  // namespace veil::win32
