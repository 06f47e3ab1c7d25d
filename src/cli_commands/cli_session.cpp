#include "cli_commands/cli_session.h"

#include <cstdio>

#include "codec/control_names.h"

namespace veil::cli {

CliSession::CliSession(CliEnvironment& environment)
    : env(environment),
      boxes(environment.read_secret),
      progress(stderr, environment.progress_on_stderr),
      codec(state, {files, boxes, controls, pump}) {
  controls.Add(std::string(names::kChkPassword), {std::string(prop::kValue)});
  controls.Add(std::string(names::kLabtmp), {std::string(prop::kCaption)});
  controls.Add(std::string(names::kLabfinish), {std::string(prop::kCaption)});
  progress.Watch(controls, names::kLabfinish);
}

carrier::CarrierFacts CliSession::Probe(const std::string& picture) {
  NumberedFile& file = files.Open(kCoverFile, picture, OpenMode::kReadOnly);
  auto facts = carrier::ReadCarrierFacts(file);
  files.Close(kCoverFile);
  return facts;
}

std::string CliSession::StoredPassword(const std::string& picture, std::int32_t pixel_offset) {
  NumberedFile& file = files.Open(kCoverFile, picture, OpenMode::kReadOnly);
  std::string password = carrier::ReadStoredPassword(file, pixel_offset);
  files.Close(kCoverFile);
  return password;
}

}  // namespace veil::cli
