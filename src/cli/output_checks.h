#pragma once

#include <string>

#include "cli/cli_session.h"

namespace veil::cli {

// Where a command writes a file of its own. Each throws CliFailure with the
// line the user sees, before anything is written.
struct OutputChoice {
  std::string path;              // as given, or made from --output-dir
  bool named_by_output = false;  // given with --output, not made in a folder
  bool force = false;            // --force: an existing file may be replaced
};

// A marked copy of picture holding payload: never the picture or the file
// being hidden, never a picture that holds a hidden file of its own, and an
// existing file only with --force.
void CheckCopyOutput(const OutputChoice& output, const std::string& picture, const std::string& payload,
                     CliSession& session);
// An extracted file: never the picture, never a folder, and an existing file
// only with --force.
void CheckExtractedOutput(const OutputChoice& output, const std::string& picture);

}  // namespace veil::cli
