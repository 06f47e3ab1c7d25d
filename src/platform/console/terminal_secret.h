#pragma once

#include <optional>
#include <string>

namespace veil {

// Reads a line from the user's terminal without echoing it; nothing when
// there is no terminal.
std::optional<std::string> ReadSecretFromTerminal(const std::string& prompt);

}  // namespace veil
