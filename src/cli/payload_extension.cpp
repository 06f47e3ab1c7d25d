#include "cli/payload_extension.h"

#include <ostream>

#include "codec/plain/carrier_layout.h"

namespace veil::cli {

std::string PayloadExtension(const std::string& payload_path, CliSession& session) {
  if (auto stored = carrier::StoredExtension(payload_path)) return *stored;
  session.env.err << "veilwright-cli: warning: " << payload_path
                  << " does not end in a dot and three printable ASCII characters; its extension is "
                     "stored as \"msg\"\n";
  return std::string(carrier::kFallbackExtension);
}

}  // namespace veil::cli
