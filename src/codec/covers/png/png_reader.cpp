#include "codec/covers/png/png_reader.h"

#include <png.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "codec/covers/png/image_data_check.h"
#include "codec/covers/png/png_file_source.h"
#include "codec/covers/png/png_guard.h"
#include "codec/covers/png/png_precision.h"
#include "codec/covers/png/png_rows.h"
#include "files/file_failure.h"

namespace veil::codec::png {
namespace {

PngRefusal Refuse(PngRefusal::Kind kind, std::string reason) { return {kind, std::move(reason)}; }

// The ancillary chunks libpng need not look at: they are kept byte for byte
// from the file, so nothing is gained by inflating a profile or text.
constexpr png_byte kIgnoredChunks[] = {'b', 'K', 'G', 'D', '\0', 'c', 'H', 'R', 'M', '\0', 'e', 'X', 'I', 'f', '\0',
                                       'g', 'A', 'M', 'A', '\0', 'h', 'I', 'S', 'T', '\0', 'i', 'C', 'C', 'P', '\0',
                                       'i', 'T', 'X', 't', '\0', 'o', 'F', 'F', 's', '\0', 'p', 'C', 'A', 'L', '\0',
                                       'p', 'H', 'Y', 's', '\0', 's', 'B', 'I', 'T', '\0', 's', 'C', 'A', 'L', '\0',
                                       's', 'P', 'L', 'T', '\0', 's', 'R', 'G', 'B', '\0', 't', 'E', 'X', 't', '\0',
                                       't', 'I', 'M', 'E', '\0', 'z', 'T', 'X', 't', '\0'};

// Why a header's picture cannot carry, or nothing.
std::optional<PngRefusal> RefuseColourType(const PngHeader& header) {
  switch (header.colour_type) {
    case 3:
      return Refuse(
          PngRefusal::Kind::kUnsupported,
          "a palette PNG cannot carry a hidden file: its pixels are palette indices, where a change of one is a "
          "different colour");
    case 0:
      if (header.bit_depth == 1 || header.bit_depth == 2 || header.bit_depth == 4) {
        return Refuse(PngRefusal::Kind::kUnsupported,
                      "a " + std::to_string(header.bit_depth) +
                          "-bit greyscale PNG cannot carry a hidden file: a change of one would show");
      }
      [[fallthrough]];
    case 2:
    case 4:
    case 6:
      if (header.bit_depth == 8 || header.bit_depth == 16) return std::nullopt;
      break;
    default: break;
  }
  return Refuse(PngRefusal::Kind::kDamaged, "the PNG file is damaged: its IHDR gives colour type " +
                                                std::to_string(header.colour_type) + " with bit depth " +
                                                std::to_string(header.bit_depth));
}

struct ReadSession {
  PngErrorState errors;
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadSession() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
};

// Reading for the low bits alone: kept from each row as it passes.
struct LowBitsJob {
  CoverLowBits* bits;
  LowByteCounts counts;
};

void KeepLowBits(const std::uint8_t* row, std::uint32_t y, const PngCover& cover, LowBitsJob& low) {
  const CoverSamples& s = cover.samples;
  const unsigned channels = s.channels, stored = channels + (cover.HasAlpha() ? 1 : 0);
  std::uint64_t sample = std::uint64_t{y} * s.width * channels;
  for (std::uint32_t x = 0; x < s.width; ++x, row += stored * (s.depth / 8)) {
    for (unsigned c = 0; c < channels; ++c, ++sample) {
      if (s.depth == 8) {
        low.bits->Set(sample, row[c]);
      } else {
        const auto v = static_cast<std::uint16_t>((row[2 * c] << 8) | row[2 * c + 1]);
        low.bits->Set(sample, v);
        low.counts.Add(v);
      }
    }
  }
}

struct DecodeJob {
  png_structp png;
  png_infop info;
  PngCover* cover;
  LowBitsJob* low;  // when set, the samples are not kept: only their low bits
  std::uint8_t* row;
  std::size_t row_bytes;
  bool header_matches;
  bool has_key;
  png_color_16 key;
  RunProgress* progress;
};

void ReadHeader(void* context) {
  auto& job = *static_cast<DecodeJob*>(context);
  png_read_info(job.png, job.info);
  png_color_16p key = nullptr;
  job.has_key = png_get_tRNS(job.png, job.info, nullptr, nullptr, &key) != 0 && key != nullptr;
  if (job.has_key) job.key = *key;
  png_set_interlace_handling(job.png);
  png_read_update_info(job.png, job.info);
  job.header_matches = png_get_rowbytes(job.png, job.info) == job.row_bytes;
}

void DecodeRows(void* context) {
  auto& job = *static_cast<DecodeJob*>(context);
  PngCover& cover = *job.cover;
  const bool interlaced = cover.chunks.header.interlace != 0;
  const int passes = interlaced ? 7 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (std::uint32_t y = 0; y < cover.samples.height; ++y) {
      if (job.progress)
        job.progress->Within(0.5, 1, (pass + static_cast<double>(y) / cover.samples.height) / passes);
      // libpng fills in only the pixels of this pass: the row holds the others.
      const bool in_pass = !interlaced || PNG_ROW_IN_INTERLACE_PASS(y, pass);
      if (interlaced && in_pass && pass > 0) MergeRow(cover, y, job.row);
      png_read_row(job.png, job.row, nullptr);
      if (job.low != nullptr) {
        KeepLowBits(job.row, y, cover, *job.low);
      } else if (in_pass) {
        SplitRow(job.row, y, cover);
      }
    }
  }
  png_read_end(job.png, nullptr);
}

// Locks the pixels a change must not touch.
void LockPixels(PngCover& cover, bool has_key, const png_color_16& key) {
  CoverSamples& s = cover.samples;
  const std::size_t pixels = std::size_t{s.width} * s.height;
  const bool alpha = cover.HasAlpha();
  if (!alpha && !has_key) return;
  s.locked.assign(pixels, 0);
  std::size_t locked = 0;
  const unsigned full = s.depth == 8 ? 0xFF : 0xFFFF;
  const unsigned key_values[3] = {s.channels == 1 ? key.gray : key.red, key.green, key.blue};
  for (std::size_t p = 0; p < pixels; ++p) {
    bool lock = false;
    if (alpha) {
      lock = (s.depth == 8 ? cover.alpha8[p] : cover.alpha16[p]) != full;
    } else {
      lock = true;
      for (unsigned c = 0; c < s.channels && lock; ++c) {
        const unsigned v = s.depth == 8 ? s.values8[p * s.channels + c] : s.values16[p * s.channels + c];
        lock = v + 1 >= key_values[c] && v <= key_values[c] + 1;
      }
    }
    s.locked[p] = lock ? 1 : 0;
    locked += lock ? 1 : 0;
  }
  if (locked == 0) s.locked.clear();
}

// Decodes into the cover's samples, or, given low and for a picture that is
// not interlaced (whose passes need the whole picture), into its low bits.
std::variant<PngCover, PngRefusal> Decode(RawFile& file, const PngLimits& limits, CoverLowBits* low,
                                          RunProgress* progress) {
  auto mapped = MapPngChunks(file, limits);
  if (auto* refusal = std::get_if<PngRefusal>(&mapped)) return std::move(*refusal);
  PngCover cover;
  cover.chunks = std::get<PngChunkMap>(mapped);
  const PngHeader& header = cover.chunks.header;
  if (auto refusal = RefuseColourType(header)) return std::move(*refusal);
  if (header.width == 0 || header.height == 0 || header.width > 0x7FFFFFFF || header.height > 0x7FFFFFFF ||
      header.interlace > 1) {
    return Refuse(PngRefusal::Kind::kDamaged, "the PNG file is damaged: its IHDR gives " +
                                                  std::to_string(header.width) + " x " + std::to_string(header.height) +
                                                  " pixels, interlace " + std::to_string(header.interlace));
  }
  CoverSamples& s = cover.samples;
  s.width = header.width;
  s.height = header.height;
  s.channels = (header.colour_type == 2 || header.colour_type == 6) ? 3 : 1;
  s.depth = header.bit_depth;
  const std::uint64_t pixels = std::uint64_t{s.width} * s.height;
  const std::uint64_t samples = pixels * (s.channels + (cover.HasAlpha() ? 1 : 0));
  if (samples > limits.max_samples) {
    return Refuse(PngRefusal::Kind::kTooLarge, "the PNG picture is too large: " + std::to_string(s.width) + " x " +
                                                   std::to_string(s.height) + " pixels hold " +
                                                   std::to_string(samples) + " samples, more than the " +
                                                   std::to_string(limits.max_samples) + " this program decodes");
  }

  if (auto refusal = CheckImageData(file, cover.chunks, cover.coding, progress)) return std::move(*refusal);

  std::vector<std::uint8_t> row;
  std::optional<LowBitsJob> low_job;
  if (header.interlace != 0) low = nullptr;
  try {
    if (low != nullptr) {
      *low = CoverLowBits{pixels * s.channels, s.channels, std::vector<std::uint64_t>((pixels * s.channels + 63) / 64)};
      low_job = LowBitsJob{low, {}};
    } else if (s.depth == 8) {
      s.values8.resize(pixels * s.channels);
      if (cover.HasAlpha()) cover.alpha8.resize(pixels);
    } else {
      s.values16.resize(pixels * s.channels);
      if (cover.HasAlpha()) cover.alpha16.resize(pixels);
    }
    row.resize(RowBytes(cover));
  } catch (const std::bad_alloc&) {
    return Refuse(PngRefusal::Kind::kTooLarge, "there is not enough memory to decode this " + std::to_string(s.width) +
                                                   " x " + std::to_string(s.height) + " PNG picture");
  }

  ReadSession session;
  session.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &session.errors, PngErrorHandler, PngWarningHandler);
  if (session.png == nullptr) return Refuse(PngRefusal::Kind::kTooLarge, "libpng could not start");
  session.info = png_create_info_struct(session.png);
  if (session.info == nullptr) return Refuse(PngRefusal::Kind::kTooLarge, "libpng could not start");
  png_set_user_limits(session.png, 0x7FFFFFFF, 0x7FFFFFFF);  // the sample count above is the real bound
  png_set_chunk_cache_max(session.png, 1000);
  png_set_chunk_malloc_max(session.png, limits.max_chunk_bytes);
  png_set_keep_unknown_chunks(session.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(session.png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks,
                              static_cast<int>(sizeof kIgnoredChunks / 5));
  png_set_benign_errors(session.png, 0);
  // Image data whose header claims too small a window, as other readers take it.
  png_set_option(session.png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
  PngFileSource source(file);
  source.Attach(session.png);

  DecodeJob job{session.png, session.info, &cover, low_job ? &*low_job : nullptr, row.data(), row.size(),
                false,       false,        {},         progress};
  bool decoded = RunGuarded(session.png, ReadHeader, &job);
  if (decoded && !job.header_matches) {
    return Refuse(PngRefusal::Kind::kDamaged, "the PNG file is damaged: libpng reads its rows at another length");
  }
  // The image data inflates to exactly the rows (CheckImageData): what
  // libpng may still find is bytes after its end, which other readers let be.
  png_set_benign_errors(session.png, 1);
  if (decoded) decoded = RunGuarded(session.png, DecodeRows, &job);
  if (!decoded) {
    if (session.errors.failure) {
      try {
        std::rethrow_exception(session.errors.failure);
      } catch (const FileFailure& failure) {
        return Refuse(PngRefusal::Kind::kIoFailure, failure.what());
      } catch (const std::bad_alloc&) {
        return Refuse(PngRefusal::Kind::kTooLarge, "there is not enough memory to decode this PNG picture");
      }
    }
    return Refuse(PngRefusal::Kind::kDamaged, "the PNG file is damaged: libpng: " + session.errors.message);
  }
  if (low_job) {
    if (auto refusal = RefusePaddedSamples(cover.chunks, s.channels, s.depth, low_job->counts))
      return std::move(*refusal);
    return cover;
  }
  if (auto refusal = RefusePaddedSamples(cover)) return std::move(*refusal);
  LockPixels(cover, job.has_key, job.key);
  return cover;
}

}  // namespace

std::variant<PngCover, PngRefusal> ReadPngCover(RawFile& file, const PngLimits& limits, RunProgress* progress) {
  try {
    return Decode(file, limits, nullptr, progress);
  } catch (const FileFailure& failure) {
    return Refuse(PngRefusal::Kind::kIoFailure, failure.what());
  }
}

std::variant<CoverLowBits, PngRefusal> ReadPngLowBits(RawFile& file, const PngLimits& limits,
                                                      RunProgress* progress) {
  try {
    CoverLowBits low;
    auto decoded = Decode(file, limits, &low, progress);
    if (auto* refusal = std::get_if<PngRefusal>(&decoded)) return std::move(*refusal);
    const PngCover& cover = std::get<PngCover>(decoded);
    if (cover.chunks.header.interlace != 0) return LowBitsOf(cover.samples);
    return low;
  } catch (const FileFailure& failure) {
    return Refuse(PngRefusal::Kind::kIoFailure, failure.what());
  }
}

}  // namespace veil::codec::png
