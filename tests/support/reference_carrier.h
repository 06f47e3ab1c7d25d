#pragma once

#include <string>

#include "support/test_files.h"

namespace veil::test {

// An independent, deliberately plain implementation of the carrier format,
// written from the format's description bit by bit: pictures it makes must
// read back in the program, and the program's pictures must read back here.
Bytes ReferenceHide(Bytes cover, const Bytes& data, const std::string& extension, const std::string& password,
                    bool with_password);

struct ReferenceContents {
  std::uint32_t marker = 0;
  std::string extension;
  std::string password;  // as many characters as the length byte says
  Bytes data;
};
ReferenceContents ReferenceExtract(const Bytes& picture);

}  // namespace veil::test
