#include <filesystem>
#include <ostream>

#include "cli_commands/cli_failure.h"
#include "cli_commands/cli_session.h"
#include "cli_commands/picture_checks.h"
#include "cli_commands/staged_file.h"
#include "codec/carrier_layout.h"
#include "codec/control_names.h"
#include "platform/file_lock.h"

namespace veil::cli {
namespace {

std::uint64_t FileLength(CliSession& session, const std::string& path) {
  const std::uint64_t length = session.files.Open(kSecondFile, path, OpenMode::kReadOnly).Length();
  session.files.Close(kSecondFile);
  return length;
}

void RequirePortablePassword(const std::optional<std::string>& password) {
  if (password && (password->size() > carrier::kPasswordFieldSize || !carrier::IsPortableText(*password)))
    throw CliFailure("the password must be at most 8 printable ASCII characters (letters, digits, "
                     "punctuation, blank)");
}

}  // namespace

int HideCommand(const Arguments& args, CliSession& session) {
  const std::string& picture = args.positionals[0];
  const std::string& payload = args.positionals[1];
  const auto password = args.Option("--password");
  const auto copy = args.Option("--output");
  RequirePortablePassword(password);

  const FileLock lock = FileLock::Exclusive(picture);
  const auto facts = session.Probe(picture);
  RequireTwentyFourBit(picture, facts);
  if (facts.HoldsFile())
    throw CliFailure(picture + ": already holds a hidden file; extract or clear it first");
  if (!facts.pixelOffsetUsable)
    throw CliFailure(picture + ": damaged: its pixel-data offset " + std::to_string(facts.pixelOffset) +
                     " lies outside the file");

  const std::uint64_t length = FileLength(session, payload);
  if (length > carrier::kMaxHiddenLength)
    throw CliFailure(payload + " is " + std::to_string(length) +
                     " bytes; a picture can hold a file of at most 16777215 bytes");
  if (!carrier::Fits(facts.fileLength, facts.pixelOffset, length))
    throw CliFailure(payload + " is " + std::to_string(length) + " bytes, but " + picture +
                     " can take at most " +
                     std::to_string(carrier::CapacityBytes(facts.fileLength, facts.pixelOffset)) + " bytes");

  std::string extension;
  if (auto stored = carrier::StoredExtension(payload)) {
    extension = *stored;
  } else {
    extension = carrier::kFallbackExtension;
    session.env.err << "veilwright-cli: warning: " << payload
                    << " does not end in a dot and three printable ASCII characters; its extension is "
                       "stored as \"msg\"\n";
  }

  // With --output the picture stays untouched: the work happens on a staged
  // copy that takes the output's name only once it is complete.
  std::optional<StagedFile> staged;
  if (copy && !SameFile(*copy, picture)) staged.emplace(StagedFile::CopyOf(picture, *copy));
  const std::string target = staged ? staged->Path() : picture;

  session.state.coverPath = target;
  session.state.payloadPath = payload;
  session.state.hiddenExtension = extension;
  session.state.passwordLength = static_cast<std::uint8_t>(password ? password->size() : 0);
  session.state.passwordText =
      password ? std::string(password->begin(), password->end()) : std::string(carrier::kNoPassword);
  SetProperty(session.controls, names::kChkPassword, prop::kValue, password ? 1.0 : 0.0);

  const RunReport report = session.codec.RunEmbedding();
  session.progress.Finish();
  const std::string shown = copy ? *copy : picture;
  if (!report.ok()) throw CliFailure(shown + ": " + ReplaceAll(report.detail, target, shown));
  if (staged) staged->Commit();

  session.env.out << shown << ": hid " << payload << " (" << length << " bytes, stored as ." << extension
                  << (password ? ", with a password" : "") << ")\n";
  return kExitSuccess;
}

}  // namespace veil::cli
