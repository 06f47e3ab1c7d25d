#include <windows.h>

#include "files/win32/win32_text.h"
#include "platform/console/terminal_secret.h"

namespace veil {
namespace {

// The console's input and its mode before echo was turned off, for the
// handler of Ctrl+C, Ctrl+Break and closing, which puts the mode back and
// then lets the program end as it would have.
HANDLE quiet_input = INVALID_HANDLE_VALUE;
DWORD saved_mode = 0;

BOOL WINAPI RestoreConsole(DWORD) {
  if (quiet_input != INVALID_HANDLE_VALUE) SetConsoleMode(quiet_input, saved_mode);
  return FALSE;
}

}  // namespace

std::optional<std::string> ReadSecretFromTerminal(const std::string& prompt) {
  const HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
  const HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD mode = 0;
  if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode)) {
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    return std::nullopt;
  }
  const std::wstring wide_prompt = win32::ToWide(prompt);
  DWORD written = 0;
  if (output != INVALID_HANDLE_VALUE)
    WriteConsoleW(output, wide_prompt.c_str(), static_cast<DWORD>(wide_prompt.size()), &written, nullptr);
  quiet_input = input;
  saved_mode = mode;
  SetConsoleCtrlHandler(RestoreConsole, TRUE);
  SetConsoleMode(input, (mode & ~ENABLE_ECHO_INPUT) | ENABLE_LINE_INPUT);
  std::wstring line;
  wchar_t buffer[256];
  DWORD read = 0;
  bool got_any = false;
  while (ReadConsoleW(input, buffer, 256, &read, nullptr) && read > 0) {
    got_any = true;
    line.append(buffer, read);
    if (line.find(L'\n') != std::wstring::npos) break;
  }
  SetConsoleMode(input, mode);
  SetConsoleCtrlHandler(RestoreConsole, FALSE);
  quiet_input = INVALID_HANDLE_VALUE;
  if (output != INVALID_HANDLE_VALUE) {
    WriteConsoleW(output, L"\r\n", 2, &written, nullptr);
    CloseHandle(output);
  }
  CloseHandle(input);
  if (!got_any) return std::nullopt;
  while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
  return win32::FromWide(line);
}

}  // namespace veil
