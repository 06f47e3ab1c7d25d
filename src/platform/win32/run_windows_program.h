#pragma once

namespace veil::win32 {

// Starts the program's window with the process's command line (--self-test
// drives it instead of a person); returns the process's exit status.
int RunWindowsProgram();

}  // namespace veil::win32
