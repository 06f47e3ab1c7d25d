#include "codec/covers/png/png_guard.h"

#include <csetjmp>

namespace veil::codec::png {

void PngErrorHandler(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
  if (state != nullptr && state->message.empty()) {
    try {
      state->message = message != nullptr ? message : "libpng failed";
    } catch (...) {
    }
  }
  png_longjmp(png, 1);
}

void PngWarningHandler(png_structp, png_const_charp) {}

void RecordCurrentFailure(png_structp png) {
  auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
  if (state != nullptr && !state->failure) state->failure = std::current_exception();
}

bool RunGuarded(png_structp png, void (*step)(void* context), void* context) {
  if (setjmp(png_jmpbuf(png)) != 0) return false;
  step(context);
  return true;
}

}  // namespace veil::codec::png
