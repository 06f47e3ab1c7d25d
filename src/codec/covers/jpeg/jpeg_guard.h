#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <string>

#include <jpeglib.h>

#include "codec/progress/run_progress.h"

namespace veil::codec::jpeg {

// libjpeg's error manager: an error returns to RunGuarded by longjmp with
// libjpeg's message; a warning (corrupt data libjpeg would paper over) is
// kept, so that a damaged picture is refused rather than rewritten.
struct JpegErrors {
  jpeg_error_mgr manager{};
  std::jmp_buf jump{};
  char message[JMSG_LENGTH_MAX] = {};
  char warning[JMSG_LENGTH_MAX] = {};
  bool failed = false;
  bool warned = false;
  jpeg_progress_mgr progress{};
  jpeg_progress_mgr target_progress{};
  // A run's progress, told libjpeg's passes as its part from `from` to
  // `to` (a decompressor's up to `split`, a compressor's past it, when the
  // two work in turn); a stop it asks for returns by longjmp, with
  // cancelled set.
  RunProgress* run = nullptr;
  double from = 0, to = 1, split = 1;
  bool cancelled = false;
};

// Sets up errors' manager for cinfo's error field; call before
// jpeg_create_*.
jpeg_error_mgr* InstallErrors(JpegErrors& errors);
// Hooks the scan count into a decompressor: past kMostScans it is stopped.
// With errors.run set, the passes are told it too.
void WatchScans(j_decompress_ptr cinfo, JpegErrors& errors);
// Tells a compressor's passes to errors.run.
void WatchPasses(j_compress_ptr cinfo, JpegErrors& errors);

// Runs step under libjpeg's error return: false when libjpeg gave up
// (errors says why). step must keep no objects with destructors alive
// across libjpeg calls, since an error unwinds by longjmp.
bool RunGuarded(JpegErrors& errors, void (*step)(void* context), void* context);

}  // namespace veil::codec::jpeg
