#include "platform/win32/run_windows_program.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_main_window.h"
#include "platform/win32/win32_self_test.h"
#include "platform/win32/win32_text.h"

namespace veil::win32 {
namespace {

// The arguments after the program's name, in UTF-8 like every text inside.
std::vector<std::string> CommandLineArguments() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; words && i < count; ++i) args.push_back(FromWide(words[i]));
  LocalFree(words);
  return args;
}

}  // namespace

int RunWindowsProgram() {
  const std::vector<std::string> args = CommandLineArguments();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // the folder browser needs COM
  Win32MainWindow window(GetModuleHandleA(nullptr));
  std::unique_ptr<SelfTest> self_test;
  if (!args.empty() && args[0] == "--self-test") self_test = std::make_unique<SelfTest>(window, args);
  window.Start();
  const int status = window.Run();
  const int result = self_test ? self_test->Finish() : status;
  CoUninitialize();
  return result;
}

}  // namespace veil::win32
