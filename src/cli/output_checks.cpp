#include "cli/output_checks.h"

#include "cli/cli_failure.h"
#include "codec/covers/bmp_layout.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "files/file_failure.h"
#include "files/path_kinds.h"
#include "files/same_file.h"

namespace veil::cli {
namespace {

void RefuseReplacing(const OutputChoice& output) {
  if (!output.force && NamesRegularFile(output.path))
    throw CliFailure(output.path + " already exists; give --force to replace it (nothing was written)");
}

// A BMP holding a hidden file of this program's.
bool HoldsHiddenFile(const std::string& path, CliSession& session) {
  try {
    const auto file = session.Open(path, OpenMode::kReadOnly);
    if (!carrier::ReadBmpLayout(*file).IsCover()) return false;
    const auto facts = carrier::ReadCarrierFacts(*file);
    return facts.HoldsFile() && carrier::IsOwnMarker(facts.marker);
  } catch (const FileFailure&) {
    return false;
  }
}

}  // namespace

void CheckCopyOutput(const OutputChoice& output, const std::string& picture, const std::string& payload,
                     CliSession& session) {
  if (SameFile(output.path, picture))
    throw CliFailure("--output " + output.path + " is " + picture +
                     " itself; leave --output out to hide in the picture in place, or name a new file");
  if (SameFile(output.path, payload))
    throw CliFailure("--output " + output.path + " is " + payload +
                     ", the file being hidden; writing the picture there would destroy it: name a new file");
  if (NamesRegularFile(output.path) && HoldsHiddenFile(output.path, session))
    throw CliFailure(output.path +
                     " already holds a hidden file, which replacing it would lose; extract or clear it first, "
                     "or name a new file");
  RefuseReplacing(output);
}

void CheckExtractedOutput(const OutputChoice& output, const std::string& picture) {
  if (output.named_by_output && NamesFolder(output.path))
    throw CliFailure("--output " + output.path + " is a folder; to write the file into it, give --output-dir " +
                     output.path);
  if (SameFile(output.path, picture))
    throw CliFailure(output.path + " is " + picture +
                     " itself; writing the hidden file there would destroy the picture: name another output");
  RefuseReplacing(output);
}

}  // namespace veil::cli
