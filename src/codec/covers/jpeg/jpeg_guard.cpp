#include "codec/covers/jpeg/jpeg_guard.h"

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

void CountScans(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  JpegErrors& errors = ErrorsOf(cinfo);
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

bool RunGuarded(JpegErrors& errors, void (*step)(void* context), void* context) {
  if (setjmp(errors.jump) != 0) return false;
  step(context);
  return true;
}

}  // namespace veil::codec::jpeg
