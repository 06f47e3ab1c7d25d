#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codec/run_result.h"
#include "files/output_file.h"
#include "window/forms/form_costs.h"

namespace veil::forms {

// The work of the dialogs' runs, done on a worker thread: it touches no
// window, only files and the observer. Each writes nothing but on success
// and when no cancel was asked before the picture takes its name.
struct HideJob {
  std::string cover, payload, output;
  std::string extension;  // 3 bytes: what pictures that keep no name hold
  std::string password;   // as typed
};

// A sealed copy of a BMP cover; opened again with the password, and its
// file compared with the payload byte for byte, before it takes its name.
// kNotReadBack when that reading differs.
codec::RunResult RunSealedHide(const HideJob& job, const FormCosts& costs, const OutputFile::Opener& opener,
                               codec::RunObserver& observer);
// A stealth copy of a BMP, PNG or JPEG cover, which the run reads back itself.
codec::RunResult RunStealthHide(const HideJob& job, const FormCosts& costs, const OutputFile::Opener& opener,
                                codec::RunObserver& observer);

// What a password opens in a picture: a sealed file when the picture is
// marked sealed, else a stealth file. Nothing is written.
struct OpenedFile {
  codec::RunResult result;
  bool sealed = false;
  std::string extension;  // safe as a file name's extension
  std::string file_name;  // the file's own name, made safe; empty when the picture keeps only the extension
  std::vector<std::uint8_t> file;
};
OpenedFile RunOpen(const std::string& picture, const std::string& password, const FormCosts& costs,
                   const OutputFile::Opener& opener, codec::RunObserver& observer);

}  // namespace veil::forms
