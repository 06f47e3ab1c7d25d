#include <cstdlib>
#include <ostream>

#include "cli/cli_failure.h"
#include "cli/cli_session.h"
#include "cli/cover_kinds.h"
#include "cli/output_checks.h"
#include "cli/passwords.h"
#include "cli/stealth_options.h"
#include "codec/covers/sample_cover.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/seal/seal.h"
#include "codec/stealth/stealth_format.h"
#include "codec/stealth/stealth_runs.h"
#include "files/safe_file_name.h"
#include "messages/run_description.h"

namespace veil::cli {
namespace {

// What else would take a file too large for the stealth form: a higher
// rate, or, in a BMP, the forms that show a file is there.
std::string OtherWaysToFit(codec::CoverKind kind, RawFile& cover, const std::string& name) {
  std::string ways = "; --max-rate BPP allows more, at the price of being easier to detect";
  if (kind != codec::CoverKind::kBmp) return ways + " (the sealed and plain forms need a 24-bit BMP)";
  const carrier::BmpReading reading = carrier::ReadBmpLayout(cover);
  if (!reading.IsCover() || !carrier::Fits(*reading.layout, 0)) return ways;
  const std::uint64_t plain = carrier::CapacityBytes(*reading.layout);
  const auto sealed = codec::LargestSealedFile(plain, codec::DefaultSealParams(), 1 + name.size()).value_or(0);
  return ways + "; the sealed form (--seal) takes up to " + std::to_string(sealed) +
         " bytes here and the plain form (without --seal or --stealth) up to " + std::to_string(plain) +
         ", but both show that the picture holds a file";
}

}  // namespace

int StealthHide(const Arguments& args, CliSession& session) {
  const std::string& picture = args.positionals[0];
  const std::string& payload_path = args.positionals[1];
  if (args.Flag("--seal")) throw UsageError("give --stealth or --seal, not both");
  auto password = GivenPassword(args, session);
  WarnOfVisiblePassword(args, session);
  const auto copy = args.Option("--output");
  if (copy) CheckCopyOutput({*copy, true, args.Flag("--force")}, picture, payload_path, session);

  const bool in_place = !copy;
  auto cover = session.Open(picture, in_place ? OpenMode::kLockedReadWrite : OpenMode::kLockedRead);
  const auto kind = ReadCoverKindOrRefuse(picture, *cover);
  RefuseLossyCover(picture, kind);
  const auto max_rate = MaxRate(args, session, kind);
  const auto payload = session.Open(payload_path, OpenMode::kReadOnly);

  const std::string name = SafeFileName(payload_path);
  if (!password)
    password = AskNewPassword(session, picture +
                                           ": a stealth picture needs a password; give it with "
                                           "--password or --password-file");
  if (password->empty()) throw CliFailure("a stealth picture needs a password that is not empty");
  JudgeNewPassword(*password, args, session);

  // The stealth picture is always written whole, and in place it is staged
  // beside the cover until complete: changes spread over the whole pixel
  // array, so a hide cut short in place would leave a picture that opens
  // nothing and is no longer the cover.
  OutputFile output = OutputFile::Open(in_place ? picture : *copy, session.env.opener);
  codec::StealthHideRequest request{*cover, *payload, output.File(), "", *password};
  request.file_name = name;
  request.max_rate = max_rate;
  request.allow_decoded_jpeg = args.Flag("--allow-decoded-jpeg");
  const codec::RunResult result = codec::HideStealth(request, session.progress);
  session.progress.Finish();
  const std::string shown = in_place ? picture : *copy;
  if (!result.ok()) {
    using codec::RunStatus;
    const std::string line = DescribeRun(result, picture, payload_path);
    const bool sized =
        result.samples >= codec::stealth::kMinimumSamples && result.samples <= codec::stealth::kMaximumSamples;
    if (result.status == RunStatus::kTooLarge && sized)
      throw CliFailure(line + " in the stealth form at " + FormatRate(max_rate.value_or(DefaultMaxRate(kind))) + " " +
                       RateUnit(kind) + OtherWaysToFit(kind, *cover, name));
    const bool about_the_run = result.status == RunStatus::kIoFailure || result.status == RunStatus::kKeyMemory ||
                               result.status == RunStatus::kCryptoUnavailable;
    throw CliFailure(about_the_run ? shown + ": " + line : line);
  }
  if (request.allow_decoded_jpeg)
    session.env.err << "veilwright-cli: warning: --allow-decoded-jpeg: if " << picture
                    << " was a JPEG, its colours alone give the stealth picture away\n";
  // The cover is closed before its staged successor takes its name.
  cover.reset();
  output.Commit();
  if (!in_place)
    session.env.err << "veilwright-cli: warning: " << picture << " is left beside " << shown
                    << ": anyone who holds both sees every changed value; delete the cover, and hide in it no more\n";
  session.env.out << shown << ": hid " << payload_path << " (" << result.bytes << " bytes, stored as \"" << name
                  << "\", stealth)\n";
  return kExitSuccess;
}

}  // namespace veil::cli
