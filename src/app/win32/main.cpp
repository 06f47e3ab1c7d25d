#include "app/win32/run_windows_program.h"

// A windowed program: MinGW's start-up code calls main without a console.
int main() { return veil::win32::RunWindowsProgram(); }
