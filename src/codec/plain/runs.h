#pragma once

#include <optional>
#include <string>

#include "codec/plain/sealed_picture.h"
#include "codec/progress/run_progress.h"
#include "codec/run_result.h"
#include "files/raw_file.h"

namespace veil::codec {

struct EmbedRequest {
  RawFile& cover;    // read; written in place unless copy is given
  RawFile& payload;  // read front to back
  // When given, the marked picture is written here front to back, in one
  // pass, and the cover is only read.
  RawFile* copy = nullptr;
  std::string extension;                // 3 printable ASCII characters; anything else is stored as "msg"
  std::optional<std::string> password;  // at most 8 printable ASCII characters
  // When given, the file is sealed with this key (format version 2) and the
  // password above is not used.
  const SealKey* seal = nullptr;
  // The progress of a run this hide is the end of (a sealed hide's, whose
  // key came first); else the hide's own, over its observer.
  RunProgress* progress = nullptr;
  // A sealed file's name, made safe (SafeFileName) before it is stored. Not
  // given, the seal holds the extension instead, as seals made before names
  // were kept do (layout 1); the plain form always holds the extension.
  std::optional<std::string> file_name{};
};

struct ExtractRequest {
  RawFile& cover;   // only read
  RawFile& output;  // written front to back from its first byte
  // The password to open a protected picture with; a protected picture
  // without one is kWrongPassword. Unprotected pictures ignore it.
  std::optional<std::string> password;
  // The key that opens a sealed picture (from OpenSeal); a sealed picture
  // without one is kWrongPassword.
  const SealKey* seal = nullptr;
  // As EmbedRequest's: the run OpenSeal began.
  RunProgress* progress = nullptr;
};

// Hides the payload in the cover. In place, the marker is written last,
// after the hidden header and every group are synced, so that a run that
// fails or is cut short leaves a picture that reads as clean; a run
// cancelled in place puts back the bytes it changed. Stages: kReading (the
// checks), kWriting.
RunResult Embed(const EmbedRequest& request, RunObserver& observer);

// Writes the hidden file of the cover to the output. Nothing is written when
// the checks (version, password, damage) fail; a cancelled run leaves what
// it wrote to the output, which the caller's OutputFile drops uncommitted.
// Stages: kReading (the checks), kWriting (the file written out).
RunResult Extract(const ExtractRequest& request, RunObserver& observer);

// Clears the marker, so that the picture reads as holding no file; the
// hidden header and the carried bits stay. Throws FileFailure.
void WipeMarker(RawFile& picture);
// Destroys a hidden file of this program's in place: random bits where the
// file's were and random bytes over a plain file's header, on disk before
// the marker is cleared. Throws FileFailure.
void ClearHiddenFile(RawFile& picture);

}  // namespace veil::codec
