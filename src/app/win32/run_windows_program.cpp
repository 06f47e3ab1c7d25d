#include "app/win32/run_windows_program.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <cstdlib>

#include "app/win32/win32_main_window.h"
#include "codec/kernels/kernel_dispatch.h"
#include "codec/kernels/kernel_request.h"
#include "files/win32/win32_text.h"

namespace veil::win32 {

int RunWindowsProgram() {
  if (const char* kernels = std::getenv(kKernelVariable)) RequestKernels(kernels);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // the folder browser needs COM
  int status = 0;
  {
    Win32MainWindow window(GetModuleHandleW(nullptr));
    window.Start();
    // As the shell's "open with" passes it: one picture, or none.
    int count = 0;
    if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
      if (count > 1) window.OpenOnStart(FromWide(arguments[1]));
      LocalFree(arguments);
    }
    status = window.Run();
  }
  CoUninitialize();
  return status;
}

}  // namespace veil::win32
