#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "codec/seal/seal.h"

namespace veil {

// The module-level state shared by the window's commands and the runs,
// one instance for the life of the program.
struct SharedState {
  std::string coverPath;
  std::string payloadPath;
  std::string hiddenExtension;  // 3 characters
  std::int32_t hasHiddenFile = 0;
  std::string passwordText = "00000000";  // always 8 characters
  std::uint8_t passwordLength = 0;
  std::string outputFolder;  // ends in the folder separator
  std::string outputPath;
  std::int32_t formatVersion = 0x10000000;
  bool clearAfterExtract = false;
  std::int32_t markerValue = 0;
  // What was typed at the extract command's password prompt, for its run,
  // and the key it opened a sealed picture with.
  std::optional<std::string> enteredPassword;
  std::optional<codec::SealKey> openedSeal;
};

}  // namespace veil
