#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include "app/win32/win32_main_window.h"
#include "files/win32/win32_text.h"
#include "window_self_test.h"

// The program's own window, driven by the self-test instead of a person.
int main() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; words && i < count; ++i) args.push_back(veil::win32::FromWide(words[i]));
  LocalFree(words);

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int status = 0;
  {
    // The forms' key derivations at the least cost: the self-test checks the
    // dialogs, not Argon2id.
    const veil::forms::FormCosts quick{veil::codec::SealParams{1, 8, 16}, veil::codec::stealth::KdfCosts{1, 8}};
    veil::win32::Win32MainWindow window(GetModuleHandleW(nullptr), quick);
    veil::win32::SelfTest self_test(window, args);
    window.Start();
    window.Run();
    status = self_test.Finish();
  }
  CoUninitialize();
  return status;
}
