#pragma once

#include <string>
#include <vector>

namespace veil::cli {

// The command line's words after the program's name, in UTF-8 whatever the
// system's code page, with the console set up for UTF-8 text and standard
// output for bytes.
std::vector<std::string> ArgumentsOf(int argc, char** argv);
bool StandardErrorIsATerminal();

}  // namespace veil::cli
