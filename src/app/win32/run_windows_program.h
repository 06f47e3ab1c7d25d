#pragma once

namespace veil::win32 {

// Starts the program's window; returns the process's exit status.
int RunWindowsProgram();

}  // namespace veil::win32
