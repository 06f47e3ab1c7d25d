#include "codec/covers/jpeg/jpeg_guard.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "codec/covers/jpeg/jpeg_layout.h"

namespace veil::codec::jpeg {
namespace {

JpegErrors& ErrorsOf(j_common_ptr cinfo) {
  // manager is the struct's first member.
  return *reinterpret_cast<JpegErrors*>(cinfo->err);
}

void ErrorExit(j_common_ptr cinfo) {
  JpegErrors& errors = ErrorsOf(cinfo);
  if (!errors.failed) (*cinfo->err->format_message)(cinfo, errors.message);
  errors.failed = true;
  std::longjmp(errors.jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // traces
  JpegErrors& errors = ErrorsOf(cinfo);
  if (!errors.warned) (*cinfo->err->format_message)(cinfo, errors.warning);
  errors.warned = true;
  ++cinfo->err->num_warnings;
}

void OutputMessage(j_common_ptr) {}

// The passes done, told to the run; a stop leaves libjpeg as an error does.
void TellPasses(j_common_ptr cinfo, JpegErrors& errors) {
  if (errors.run == nullptr || cinfo->progress == nullptr) return;
  const jpeg_progress_mgr& passes = *cinfo->progress;
  const double in_pass = passes.pass_limit > 0 ? static_cast<double>(passes.pass_counter) / passes.pass_limit : 0;
  const double done = (passes.completed_passes + in_pass) / std::max(1, passes.total_passes);
  try {
    const double split = std::clamp(errors.split, errors.from, errors.to);
    if (cinfo->is_decompressor)
      errors.run->Within(errors.from, split, std::min(1.0, done));
    else
      errors.run->Within(split, errors.to, std::min(1.0, done));
  } catch (const RunCancelled&) {
    errors.cancelled = true;
  }
  // Out of the handler first: the jump must not skip the exception's end.
  if (errors.cancelled) {
    errors.failed = true;
    std::snprintf(errors.message, sizeof errors.message, "cancelled");
    std::longjmp(errors.jump, 1);
  }
}

void CountScans(j_common_ptr cinfo) {
  JpegErrors& errors = ErrorsOf(cinfo);
  TellPasses(cinfo, errors);
  if (!cinfo->is_decompressor) return;
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMostScans) {
    std::snprintf(errors.message, sizeof errors.message, "more than %d scans", kMostScans);
    errors.failed = true;
    std::longjmp(errors.jump, 1);
  }
}

}  // namespace

jpeg_error_mgr* InstallErrors(JpegErrors& errors) {
  jpeg_std_error(&errors.manager);
  errors.manager.error_exit = ErrorExit;
  errors.manager.emit_message = EmitMessage;
  errors.manager.output_message = OutputMessage;
  return &errors.manager;
}

void WatchScans(j_decompress_ptr cinfo, JpegErrors& errors) {
  errors.progress.progress_monitor = CountScans;
  cinfo->progress = &errors.progress;
}

void WatchPasses(j_compress_ptr cinfo, JpegErrors& errors) {
  errors.target_progress.progress_monitor = CountScans;
  cinfo->progress = &errors.target_progress;
}

bool RunGuarded(JpegErrors& errors, void (*step)(void* context), void* context) {
  if (setjmp(errors.jump) != 0) return false;
  step(context);
  return true;
}

}  // namespace veil::codec::jpeg
