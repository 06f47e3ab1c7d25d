#include "messages/run_description.h"

#include <cstdio>

#include "codec/plain/carrier_layout.h"
#include "codec/stealth/stealth_format.h"

namespace veil {

std::string JpegTracesLine(const codec::JpegTraces& traces) {
  if (!traces.ColoursWereJpeg() && traces.lattice.WasJpeg())
    return std::to_string(traces.lattice.compatible) + " of " + std::to_string(traces.lattice.blocks) +
           " of its textured 8x8 blocks are exactly what a JPEG decoder gives";
  const std::string all = traces.outside == 0 ? "all " : "all but " + std::to_string(traces.outside) + " of ";
  return all + std::to_string(traces.colour_pixels) + " of its colour pixels are colours a JPEG decoder gives";
}
std::string JpegTracesVerdict(const codec::JpegTraces& traces) {
  const char* verdict = traces.WasJpeg() ? " (it was a JPEG)" : " (it was no JPEG)";
  if (traces.colour_pixels > 0)
    return std::to_string(traces.outside) + " of its " + std::to_string(traces.colour_pixels) +
           " colour pixels are colours no JPEG decoder gives" + verdict;
  const codec::JpegLattice& lattice = traces.lattice;
  if (lattice.blocks == 0) return {};
  return std::to_string(lattice.compatible) + " of " + std::to_string(lattice.blocks) +
         " textured 8x8 blocks are exactly a JPEG decoder's on the grid at row " +
         std::to_string(lattice.row_offset) + ", column " + std::to_string(lattice.column_offset) +
         ", and at most " + std::to_string(lattice.other_grids) + " on any other" + verdict;
}

namespace {

std::string CompressionName(std::uint32_t compression, std::uint32_t header_size) {
  switch (compression) {
    case 1: return "RLE8";
    case 2: return "RLE4";
    case 3: return header_size == 64 ? "Huffman 1D" : "bit fields";
    case 4: return header_size == 64 ? "RLE24" : "JPEG";
    case 5: return "PNG";
    case 6: return "bit fields with alpha";
  }
  return "unknown";
}

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

}  // namespace

std::string DescribeCoverRefusal(const carrier::BmpRefusal& r, const std::string& picture) {
  using Kind = carrier::BmpRefusalKind;
  const std::string pixels = "bytes " + std::to_string(r.pixelOffset) + " to " + std::to_string(r.pixelArrayEnd);
  switch (r.kind) {
    case Kind::kTooShort:
      return picture + ": not a BMP picture: its " + std::to_string(r.fileLength) +
             " bytes end inside the headers a BMP needs";
    case Kind::kNotBm:
      return picture + ": not a BMP picture: it starts with " + Hex(r.signature & 0xFF, 2) + " " +
             Hex(r.signature >> 8, 2) + ", not \"BM\"";
    case Kind::kUnknownHeaderSize:
      return picture + ": not a BMP picture this program hides in: its info header is " + std::to_string(r.headerSize) +
             " bytes long, none of the sizes 12, 40, 52, 56, 64, 108 and 124";
    case Kind::kNotOnePlane:
      return picture + ": not a BMP picture this program hides in: it has " + std::to_string(r.planes) +
             " colour planes, not 1";
    case Kind::kNoPixels:
      return picture + ": holds no pixels to hide in: it is " + std::to_string(r.width) + " x " +
             std::to_string(r.height) + " pixels";
    case Kind::kNotTwentyFourBit:
      return picture + ": not a 24-bit BMP picture (its bit count is " + std::to_string(r.bitCount) + ")";
    case Kind::kCompressed:
      return picture + ": not an uncompressed BMP picture (its compression is " + std::to_string(r.compression) + ", " +
             CompressionName(r.compression, r.headerSize) + ")";
    case Kind::kPixelsInsideHeaders:
      return picture + ": damaged: its pixel-data offset " + std::to_string(r.pixelOffset) +
             " lies inside its headers, which end at byte " + std::to_string(r.headersEnd);
    case Kind::kPixelsOutsideFile:
      return picture + ": damaged: its pixel array of " + std::to_string(r.width) + " x " +
             std::to_string(r.height < 0 ? -r.height : r.height) + " pixels (" + pixels +
             ") does not end inside the file of " + std::to_string(r.fileLength) + " bytes";
    case Kind::kProfileInsidePixels:
      return picture + ": its colour profile (bytes " + std::to_string(r.profileStart) + " to " +
             std::to_string(r.profileEnd) + ") overlaps its pixel array (" + pixels + "); a hiding would change it";
  }
  return picture + ": not a BMP picture this program hides in";
}

std::string DescribeForeignMarker(std::uint32_t marker, const std::string& picture) {
  return picture + ": its reserved header words (bytes 6-9) hold " + Hex(marker, 8) +
         ", which is no hidden file this program reads (format version " +
         std::to_string(carrier::FormatVersion(marker)) +
         "; it reads versions 1 and 2); `veilwright-cli clear` resets them to 0";
}

std::string DescribeRun(const codec::RunResult& result, const std::string& picture, const std::string& file) {
  using codec::RunStatus;
  switch (result.status) {
    case RunStatus::kCompleted: return "completed";
    case RunStatus::kNotCover: return DescribeCoverRefusal(result.cover, picture);
    case RunStatus::kTooLarge:
      // A cover's pixel array holds at least one row; 0 means a run that
      // does not tell it.
      if (result.room != 0 && result.room < carrier::kHiddenHeaderSize)
        return picture + ": too little room: its pixel array of " + std::to_string(result.room) +
               " bytes cannot hold even the " + std::to_string(carrier::kHiddenHeaderSize) + "-byte hidden header";
      if (result.samples != 0 && result.samples < codec::stealth::kMinimumSamples)
        return picture + ": too small for the stealth form: its " + std::to_string(result.samples) +
               " samples are fewer than the " + std::to_string(codec::stealth::kMinimumSamples) + " it needs";
      if (result.samples > codec::stealth::kMaximumSamples)
        return picture + ": too large for the stealth form: its " + std::to_string(result.samples) +
               " samples are more than the " + std::to_string(codec::stealth::kMaximumSamples) + " it reads";
      return file + " is " + std::to_string(result.size) + " bytes, but " + picture + " can take at most " +
             std::to_string(result.capacity) + " bytes";
    case RunStatus::kAlreadyHoldsFile:
      if (!carrier::IsOwnMarker(result.marker)) return DescribeForeignMarker(result.marker, picture);
      return picture + ": already holds a hidden file; extract or clear it first";
    case RunStatus::kPasswordNotStorable:
      return "the password must be at most 8 printable ASCII characters (letters, digits, punctuation, blank)";
    case RunStatus::kNoHiddenFile:
      // A stealth file leaves no mark: whether one is there only its
      // password can tell.
      return picture +
             ": holds no hidden file in the plain or sealed form; a stealth file, if there is one, opens only with "
             "its password (extract --stealth)";
    // Every marker this program reads is of a version it knows.
    case RunStatus::kUnknownVersion: return DescribeForeignMarker(result.marker, picture);
    case RunStatus::kWrongPassword: return picture + ": wrong password; nothing was written";
    case RunStatus::kDamaged:
      if (result.damage.kind == codec::Damage::Kind::kPixelOffsetOutside)
        return picture + ": damaged: its pixel-data offset " + std::to_string(result.damage.pixel_offset) +
               " lies outside the file";
      return picture + ": damaged: it ends at byte " + std::to_string(result.damage.file_length) +
             ", but its hidden file of " + std::to_string(result.damage.hidden_length) + " bytes needs " +
             std::to_string(result.damage.needed);
    case RunStatus::kUnacceptableSeal:
      return picture +
             ": its sealed file uses a layout this program does not read, or asks for more memory or "
             "time than it will give (at most 1 GiB and 64 passes)";
    case RunStatus::kSealBroken:
      switch (result.seal.kind) {
        case codec::SealProblem::Kind::kWrongPasswordOrChanged:
          return picture + ": wrong password, or the picture was changed; nothing was written";
        case codec::SealProblem::Kind::kChangedAfterSealing:
          return picture + ": the picture was changed after sealing: the sealed data does not open at byte " +
                 std::to_string(result.seal.offset);
        case codec::SealProblem::Kind::kTruncated:
          return picture + ": the sealed data ends early, at byte " + std::to_string(result.seal.offset) +
                 ": the picture was cut short after sealing";
      }
      return picture + ": the sealed data does not open";
    case RunStatus::kIoFailure: return result.detail;
    case RunStatus::kNoStealthFile: return picture + ": no hidden file opens with this password";
    case RunStatus::kTooFlat:
      return picture + ": too flat to carry " + file + " in the stealth form: only " + std::to_string(result.usable) +
             " of its " + std::to_string(result.samples) +
             " samples are textured enough to change, too few for the code to place the file there";
    case RunStatus::kNotReadBack:
      return picture + ": the stealth picture did not give " + file + " back when read; nothing was written";
    case RunStatus::kKeyMemory:
      return "the key derivation needs " + std::to_string((result.key_memory_kib + 1023) / 1024) +
             " MiB of memory, which this program could not have; nothing was written";
    case RunStatus::kCryptoUnavailable:
      return "the cryptography library (libsodium) could not start; nothing was written";
    case RunStatus::kNotStealthCover:
      return picture +
             ": is not a picture the stealth form reads (a 24-bit BMP, an 8- or 16-bit PNG without a "
             "palette, or a JPEG)" +
             (result.refusal.empty() ? "" : ": " + result.refusal);
    case RunStatus::kCoverDamaged: return picture + ": " + result.refusal;
    case RunStatus::kWasJpeg:
      return picture + ": was a JPEG: " + JpegTracesLine(result.traces) +
             ", which changed pixels would no longer be, "
             "and that alone finds a stealth picture; hide in the original JPEG, or in a copy downscaled by 2 "
             "or more";
    case RunStatus::kPasswordNotText: return "the password is not UTF-8 text; a sealed picture needs one that is";
    case RunStatus::kCancelled: return "cancelled; nothing was written";
  }
  return "failed";
}

}  // namespace veil
