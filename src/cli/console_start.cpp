#include "cli/console_start.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

#include "files/win32/win32_text.h"
#else
#include <unistd.h>
#endif

namespace veil::cli {

#ifdef _WIN32

std::vector<std::string> ArgumentsOf(int, char**) {
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);  // "--output -" writes the file's own bytes
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; words && i < count; ++i) args.push_back(win32::FromWide(words[i]));
  LocalFree(words);
  return args;
}

bool StandardErrorIsATerminal() { return _isatty(_fileno(stderr)) != 0; }

#else

std::vector<std::string> ArgumentsOf(int argc, char** argv) { return {argv + 1, argv + argc}; }

bool StandardErrorIsATerminal() { return ::isatty(STDERR_FILENO) != 0; }

#endif

}  // namespace veil::cli
