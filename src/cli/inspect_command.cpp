#include <ostream>

#include "cli/cli_failure.h"
#include "cli/cli_session.h"
#include "cli/cover_kinds.h"
#include "cli/picture_checks.h"
#include "cli/stealth_options.h"
#include "codec/covers/sample_cover.h"
#include "codec/plain/carrier_layout.h"
#include "codec/plain/carrier_reader.h"
#include "codec/plain/sealed_picture.h"
#include "codec/seal/seal.h"
#include "codec/stealth/stealth_format.h"
#include "codec/stealth/stealth_runs.h"
#include "messages/run_description.h"

namespace veil::cli {
namespace {

// Any unmarked picture may hold a stealth file, and nothing without its
// password can tell: this says what one could take, never whether it does.
void PrintStealthCapacity(std::ostream& out, RawFile& cover) {
  const auto capacity = codec::MeasureStealthCapacity(cover);
  if (!capacity.refusal.empty()) {
    out << "capacity stealth: none (" << capacity.refusal << ")\n";
    return;
  }
  if (!capacity.coefficients) {
    if (const std::string traces = JpegTracesVerdict(capacity.traces); !traces.empty())
      out << "JPEG traces: " << traces << "\n";
  }
  const char* samples = capacity.coefficients ? "coefficients" : "samples";
  if (capacity.too_small) {
    out << "capacity stealth: none (its " << capacity.samples << " " << samples << " are outside the "
        << codec::stealth::kMinimumSamples << " to " << codec::stealth::kMaximumSamples << " the form takes)\n";
    return;
  }
  if (capacity.too_flat) {
    out << "capacity stealth: none (too flat: only " << capacity.usable_samples << " of " << capacity.samples << " "
        << samples << " are textured enough to change, too few for the code)\n";
    return;
  }
  if (capacity.traces.WasJpeg()) {
    out << "capacity stealth: none: it was a JPEG (" << JpegTracesLine(capacity.traces)
        << "); a stealth hide refuses it: hide in the original JPEG, or in a copy downscaled by 2 or more\n";
    return;
  }
  const auto kind = capacity.coefficients ? codec::CoverKind::kJpeg : codec::CoverKind::kPng;
  if (capacity.largest_file == 0) {
    out << "capacity stealth: none at " << FormatRate(capacity.rate) << " " << RateUnit(kind)
        << ": what the rate allows goes to the form's own salt and frame; a higher --max-rate takes a file, "
           "and is easier to detect\n";
    return;
  }
  out << "capacity stealth: " << capacity.largest_file << " bytes, the file's name included, at "
      << FormatRate(capacity.rate) << " "
      << RateUnit(kind) << " (" << capacity.usable_samples << " of " << capacity.samples << " " << samples
      << " textured enough to change; whether a stealth file is already there only its password can tell)\n";
}

// A PNG or a JPEG: what it is and what the stealth form could hide in it.
void InspectStealthOnly(const std::string& picture, codec::CoverKind kind, RawFile& cover, std::ostream& out) {
  const char* name = codec::CoverKindName(kind);
  out << picture << ": " << name << ", " << cover.Size() << " bytes\n";
  out << "hidden file: none that anything but a password can show (a " << name
      << " carries only the stealth form; a stealth file, if there is one, opens only with its password: extract "
         "--stealth)\n";
  PrintStealthCapacity(out, cover);
}

// What a picture that holds a file of this program's says about it.
int DescribeHiddenFile(std::ostream& out, RawFile& cover, const carrier::CarrierFacts& facts) {
  if (facts.IsSealed()) {
    out << "hidden file: sealed (format version 2), " << facts.HiddenLength() << " hidden bytes\n";
    if (const auto header = codec::ReadSealHeader(cover, facts)) {
      // The file's length is no secret: the hidden length and the chunk
      // size give it exactly.
      const bool chunk_known = header->params.chunk_log2 >= 12 && header->params.chunk_log2 <= 20;
      const std::size_t chunk = chunk_known ? header->params.ChunkSize() : 0;
      if (!chunk_known)
        out << "damaged: its chunk size (2^" << int{header->params.chunk_log2} << ") is not one the format has\n";
      else if (header->layout == codec::seal::kNameLayout) {
        // The name's length is inside the seal: the file and its name together.
        if (const auto length = codec::SealedFileLength(facts.HiddenLength(), chunk, 0))
          out << "file and its name: " << *length << " bytes (they follow from the hidden length and the "
              << chunk / 1024 << " KiB chunks)\n";
        else
          out << "damaged: " << facts.HiddenLength() << " hidden bytes are no whole seal of " << chunk / 1024
              << " KiB chunks\n";
      } else if (const auto length = codec::SealedFileLength(facts.HiddenLength(), chunk))
        out << "file length: " << *length << " bytes (it follows from the hidden length and the " << chunk / 1024
            << " KiB chunks)\n";
      else
        out << "damaged: " << facts.HiddenLength() << " hidden bytes are no whole seal of " << chunk / 1024
            << " KiB chunks\n";
      out << "the file's " << (header->layout == codec::seal::kNameLayout ? "name" : "extension")
          << " and contents are inside the seal; its password opens them\n";
      out << "key derivation: Argon2id, " << header->params.operations << " passes over " << header->params.memory_kib
          << " KiB of memory"
          << (header->Acceptable() ? "" : " (more than this program will give, or a layout it does not read)") << "\n";
    } else {
      out << "damaged: the seal's header does not lie inside the picture\n";
    }
    if (!facts.Complete()) out << "damaged: the picture ends before the sealed data does\n";
    return kExitSuccess;
  }
  out << "hidden file: " << facts.HiddenLength() << " bytes\n";
  out << "extension: " << PrintableBytes(facts.extension) << "\n";
  out << "format version: " << facts.Version() << "\n";
  out << "password: " << (facts.HasPassword() ? "yes" : "no") << "\n";
  if (!facts.Complete()) out << "damaged: the picture ends before the hidden file does\n";
  return kExitSuccess;
}

}  // namespace

int InspectCommand(const Arguments& args, CliSession& session) {
  const std::string& picture = args.positionals[0];
  const auto cover = session.Open(picture, OpenMode::kReadOnly);
  const auto kind = ReadCoverKindOrRefuse(picture, *cover);
  RefuseLossyCover(picture, kind);
  if (codec::CarriesOnlyStealth(kind)) {
    InspectStealthOnly(picture, kind, *cover, session.env.out);
    return kExitSuccess;
  }
  const auto facts = carrier::ReadCarrierFacts(*cover);
  std::ostream& out = session.env.out;
  const carrier::BmpReading reading = carrier::ReadBmpLayout(*cover);
  // A picture cut inside its pixels is no cover, but what it holds is still
  // read as an extraction would: say what is damaged, and describe the rest.
  if (!reading.IsCover() && facts.HoldsFile() && carrier::IsOwnMarker(facts.marker) &&
      reading.refusal.kind == carrier::BmpRefusalKind::kPixelsOutsideFile) {
    out << picture << ": 24-bit BMP, " << facts.fileLength << " bytes\n";
    out << DescribeCoverRefusal(reading.refusal, picture) << "\n";
    return DescribeHiddenFile(out, *cover, facts);
  }
  const carrier::BmpLayout layout = RequireCover(picture, *cover);
  out << picture << ": 24-bit BMP, " << facts.fileLength << " bytes\n";
  out << "pixel array: " << layout.width << " x " << layout.height << " pixels, bytes " << layout.pixelOffset << " to "
      << layout.pixelArrayEnd << "\n";
  if (facts.HoldsFile() && !carrier::IsOwnMarker(facts.marker)) {
    out << "hidden file: none this program reads\n" << DescribeForeignMarker(facts.marker, picture) << "\n";
    return kExitSuccess;
  }
  if (!facts.HoldsFile()) {
    out << "hidden file: none marked (a stealth file, if there is one, opens only with its password: extract "
           "--stealth)\n";
    if (!carrier::Fits(layout, 0)) {
      out << "capacity: none (its pixel array of " << layout.PixelArraySize() << " bytes cannot hold even the "
          << carrier::kHiddenHeaderSize << "-byte hidden header)\n";
    } else {
      const std::uint64_t capacity = carrier::CapacityBytes(layout);
      out << "capacity: " << capacity << " bytes"
          << " (the window's hint: " << carrier::KilobyteHint(layout) << " KB)\n";
      // The name's byte of length is counted; the name itself with the file.
      const auto sealed = codec::LargestSealedFile(capacity, codec::DefaultSealParams(), 1);
      out << "capacity sealed: " << sealed.value_or(0) << " bytes, the file's name included (after the seal's "
          << codec::seal::kHeaderSize + 1 << " bytes of header and 17 bytes a 64 KiB chunk)\n";
    }
    PrintStealthCapacity(out, *cover);
    return kExitSuccess;
  }
  return DescribeHiddenFile(out, *cover, facts);
}

}  // namespace veil::cli
