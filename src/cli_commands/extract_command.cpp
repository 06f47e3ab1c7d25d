#include <filesystem>
#include <optional>
#include <ostream>

#include "cli_commands/cli_failure.h"
#include "cli_commands/cli_session.h"
#include "cli_commands/picture_checks.h"
#include "codec/carrier_layout.h"
#include "codec/carrier_reader.h"
#include "codec/run_checks.h"
#include "codec/runs.h"
#include "commands/run_description.h"

namespace veil::cli {
namespace {

// The password to open the picture with, when it has one.
std::optional<std::string> Password(const Arguments& args, CliSession& session, const std::string& picture,
                                    RawFile& cover, const carrier::CarrierFacts& facts) {
  const auto given = args.Option("--password");
  if (!facts.HasPassword()) {
    if (given) session.env.err << "veilwright-cli: warning: " << picture << " has no password; --password is ignored\n";
    return std::nullopt;
  }
  std::optional<std::string> typed = given;
  if (!typed) {
    typed = session.env.read_secret("Password for " + picture + ": ");
    if (!typed)
      throw CliFailure(picture + ": is protected by a password; give it with --password "
                                 "(there is no terminal to ask on)");
  }
  if (auto refusal = codec::PasswordRefusal(cover, facts, typed)) throw CliFailure(DescribeRun(*refusal, picture, {}));
  return typed;
}

std::string DestinationFor(const Arguments& args, const carrier::CarrierFacts& facts) {
  if (auto path = args.Option("--output")) return *path;
  const std::filesystem::path folder = args.Option("--output-dir").value_or(".");
  return (folder / ("output." + carrier::SafeExtension(facts.extension))).string();
}

}  // namespace

int ExtractCommand(const Arguments& args, CliSession& session) {
  const std::string& picture = args.positionals[0];
  if (args.Option("--output") && args.Option("--output-dir"))
    throw UsageError("give --output or --output-dir, not both");
  const bool to_stdout = args.Option("--output") == "-";
  const bool clear = args.Flag("--clear");

  // One handle, held through the extraction and the wipe.
  const auto cover = session.Open(picture, clear ? OpenMode::kLockedReadWrite : OpenMode::kLockedRead);
  const auto facts = carrier::ReadCarrierFacts(*cover);
  RequireReadableHiddenFile(picture, facts);
  const auto password = Password(args, session, picture, *cover, facts);

  const std::string destination = to_stdout ? "standard output" : DestinationFor(args, facts);
  std::optional<OutputFile> output;
  std::unique_ptr<RawFile> stream;
  if (to_stdout)
    stream = OpenStreamSink(session.env.stdout_fd, destination);
  else
    output.emplace(OutputFile::Open(destination, session.env.opener));

  const codec::RunResult result =
      codec::Extract({*cover, stream ? *stream : output->File(), password}, session.progress);
  session.progress.Finish();
  if (!result.ok()) throw CliFailure(picture + ": extraction failed: " + DescribeRun(result, picture, destination));
  if (output) output->Commit();

  std::ostream& note = to_stdout ? session.env.err : session.env.out;
  note << picture << ": extracted " << facts.HiddenLength() << " bytes to " << destination << "\n";
  if (clear) {
    codec::WipeMarker(*cover);
    note << picture << ": cleared; it now reads as holding no file\n";
  }
  return kExitSuccess;
}

int ClearCommand(const Arguments& args, CliSession& session) {
  const std::string& picture = args.positionals[0];
  const auto cover = session.Open(picture, OpenMode::kLockedReadWrite);
  const auto facts = carrier::ReadCarrierFacts(*cover);
  RequireTwentyFourBit(picture, facts);
  if (!facts.HoldsFile()) {
    session.env.out << picture << ": holds no hidden file; nothing to clear\n";
    return kExitSuccess;
  }
  codec::WipeMarker(*cover);
  session.env.out << picture << ": cleared; it now reads as holding no file\n";
  return kExitSuccess;
}

}  // namespace veil::cli
