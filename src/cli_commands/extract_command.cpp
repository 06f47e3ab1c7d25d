#include <filesystem>
#include <optional>
#include <ostream>

#include "cli_commands/cli_failure.h"
#include "cli_commands/cli_session.h"
#include "cli_commands/picture_checks.h"
#include "cli_commands/staged_file.h"
#include "codec/carrier_layout.h"
#include "platform/file_failure.h"
#include "platform/file_lock.h"

namespace veil::cli {
namespace {

void CheckPassword(const Arguments& args, CliSession& session, const std::string& picture,
                   const carrier::CarrierFacts& facts) {
  const auto given = args.Option("--password");
  if (!facts.HasPassword()) {
    if (given) session.env.err << "veilwright-cli: warning: " << picture << " has no password; --password is ignored\n";
    return;
  }
  const std::string stored = session.StoredPassword(picture, facts.pixelOffset);
  std::string typed;
  if (given) {
    typed = *given;
  } else {
    typed = session.boxes.Input("Password for " + picture + ": ", "");
    if (!session.boxes.LastInputAnswered())
      throw CliFailure(picture + ": is protected by a password; give it with --password "
                                 "(there is no terminal to ask on)");
  }
  if (typed != stored) throw CliFailure(picture + ": wrong password; nothing was written");
}

std::string DestinationFor(const Arguments& args, const carrier::CarrierFacts& facts) {
  if (auto path = args.Option("--output")) return *path;
  const std::filesystem::path folder = args.Option("--output-dir").value_or(".");
  return (folder / ("output." + carrier::SafeExtension(facts.extension))).string();
}

void WipeMarker(CliSession& session, const std::string& picture) {
  session.files.Open(kCoverFile, picture, OpenMode::kReadWriteExisting).WriteU32At(carrier::kMarkerOffset, 0);
  session.files.Close(kCoverFile);
}

}  // namespace

int ExtractCommand(const Arguments& args, CliSession& session) {
  const std::string& picture = args.positionals[0];
  if (args.Option("--output") && args.Option("--output-dir"))
    throw UsageError("give --output or --output-dir, not both");
  const bool to_stdout = args.Option("--output") == "-";

  // Held through the extraction and the wipe.
  const FileLock lock = FileLock::Exclusive(picture);
  const auto facts = session.Probe(picture);
  RequireReadableHiddenFile(picture, facts);
  CheckPassword(args, session, picture, facts);

  const std::string destination = to_stdout ? "standard output" : DestinationFor(args, facts);
  std::optional<StagedFile> staged;
  session.files.Open(kCoverFile, picture, OpenMode::kReadOnly);
  if (to_stdout) {
    session.files.Attach(kSecondFile, OpenStreamSink(session.env.stdout_fd, destination), destination);
  } else {
    staged.emplace(StagedFile::For(destination));
    session.files.Open(kSecondFile, staged->Path(), OpenMode::kReadWriteExisting);
  }

  session.state.markerValue = static_cast<std::int32_t>(facts.HiddenLength());
  RunReport report = session.codec.RunExtraction();
  session.progress.Finish();
  if (report.ok()) {
    try {
      session.files[kSecondFile].Sync();
      session.files.Close(kSecondFile);
    } catch (const FileFailure& failure) {
      report = {RunOutcome::kFailed, failure.what()};
    }
  }
  session.files.DiscardAll();
  if (!report.ok()) {
    const std::string detail = staged ? ReplaceAll(report.detail, staged->Path(), destination) : report.detail;
    throw CliFailure(picture + ": extraction failed: " + detail);
  }
  if (staged) staged->Commit();

  std::ostream& note = to_stdout ? session.env.err : session.env.out;
  note << picture << ": extracted " << facts.HiddenLength() << " bytes to " << destination << "\n";
  if (args.Flag("--clear")) {
    WipeMarker(session, picture);
    note << picture << ": cleared; it now reads as holding no file\n";
  }
  return kExitSuccess;
}

int ClearCommand(const Arguments& args, CliSession& session) {
  const std::string& picture = args.positionals[0];
  const FileLock lock = FileLock::Exclusive(picture);
  const auto facts = session.Probe(picture);
  RequireTwentyFourBit(picture, facts);
  if (!facts.HoldsFile()) {
    session.env.out << picture << ": holds no hidden file; nothing to clear\n";
    return kExitSuccess;
  }
  WipeMarker(session, picture);
  session.env.out << picture << ": cleared; it now reads as holding no file\n";
  return kExitSuccess;
}

}  // namespace veil::cli
