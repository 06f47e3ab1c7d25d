#pragma once

#include <cstdint>
#include <string>

#include "files/raw_file.h"

namespace veil::carrier {

// What a picture's file header says about a hidden file, read without
// changing it. Whether the file is a cover at all is ReadBmpLayout's to say.
struct CarrierFacts {
  std::uint64_t fileLength = 0;
  std::uint32_t marker = 0;
  std::int32_t pixelOffset = 0;
  bool pixelOffsetUsable = false;  // the hidden header lies inside the file
  std::string extension;           // the 3 stored bytes, when usable and marked

  bool HoldsFile() const { return marker != 0; }
  std::uint8_t Flags() const { return static_cast<std::uint8_t>(marker >> 24); }
  bool HasPassword() const { return Flags() == kPasswordFlagsByte; }
  std::uint32_t HiddenLength() const { return marker & 0xFFFFFF; }
  std::uint32_t Version() const { return marker >> 28; }
  // A sealed file: format version 2 with no other flag.
  bool IsSealed() const { return (marker & 0xFF000000) == 0x20000000; }
  // The offset just past the last group the marker promises.
  std::uint64_t EndOfHiddenFile() const;
  // Every group the marker promises lies inside the file.
  bool Complete() const;

  static constexpr std::uint8_t kPasswordFlagsByte = 0x18;
};

// Reads the facts; a file too short for a field leaves that field zero.
// Throws FileFailure when the file cannot be read.
CarrierFacts ReadCarrierFacts(RawFile& picture);

// The stored password: as many bytes as the hidden header's length byte says,
// from the password field on. Throws EndOfFile when the file ends first.
std::string ReadStoredPassword(RawFile& picture, std::int32_t pixel_offset);

// The stored extension made safe as the end of a file name: any byte that
// could leave the folder or confuse a shell (separators, controls, NUL,
// non-ASCII) becomes '_'.
std::string SafeExtension(const std::string& stored);

}  // namespace veil::carrier
