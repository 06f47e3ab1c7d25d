#pragma once

namespace veil::qt {

// Starts the program's window; returns the process's exit status.
int RunMainWindow(int argc, char** argv);

}  // namespace veil::qt
