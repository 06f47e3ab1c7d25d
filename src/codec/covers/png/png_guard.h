#pragma once

#include <png.h>

#include <exception>
#include <string>

namespace veil::codec::png {

// What stopped libpng: its own message, or a failure of ours (a file that
// could not be read or written) raised inside one of its callbacks.
struct PngErrorState {
  std::string message;
  std::exception_ptr failure;
};

// The error and warning handlers to give png_create_*_struct with a
// PngErrorState: errors are recorded and return to RunGuarded; warnings are
// dropped (what matters is refused as an error).
void PngErrorHandler(png_structp png, png_const_charp message);
void PngWarningHandler(png_structp png, png_const_charp message);

// Inside a catch block of a libpng callback: records the exception being
// handled as the failure of ours that stopped libpng. Then leave the catch
// block and call png_error, with no object alive that needs destroying.
void RecordCurrentFailure(png_structp png);

// Runs step under libpng's error return: false when libpng gave up (the
// error state says why). step must keep no objects with destructors alive
// across libpng calls, since an error unwinds by longjmp.
bool RunGuarded(png_structp png, void (*step)(void* context), void* context);

}  // namespace veil::codec::png
