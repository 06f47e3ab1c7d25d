#pragma once

#include <string>

#include "cli/cli_session.h"

namespace veil::cli {

// The extension a hidden file is stored with: the payload's own when its
// name ends in a dot and three printable ASCII characters, else "msg", with
// a warning that says so.
std::string PayloadExtension(const std::string& payload_path, CliSession& session);

}  // namespace veil::cli
