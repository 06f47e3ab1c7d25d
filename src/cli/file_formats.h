#pragma once

#include <optional>
#include <string>

#include "files/raw_file.h"

namespace veil::cli {

struct KnownFormat {
  std::string name;  // "TIFF", "PDF"
  bool picture = false;
};

// What a file is by its first bytes, for the formats a user may take for a
// cover by mistake; nothing for others. Throws FileFailure.
std::optional<KnownFormat> ReadKnownFormat(RawFile& file);

}  // namespace veil::cli
