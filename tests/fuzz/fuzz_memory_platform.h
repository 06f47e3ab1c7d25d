#pragma once

#include <memory>
#include <vector>

#include "codec/run_result.h"
#include "files/memory_file.h"

namespace veil::fuzz {

using Buffer = std::shared_ptr<std::vector<std::uint8_t>>;

// A file held in memory, shared with the fuzzer that looks at it afterwards:
// thousands of inputs a second without touching the disk.
inline Buffer MakeBuffer(std::vector<std::uint8_t> bytes = {}) {
  return std::make_shared<std::vector<std::uint8_t>>(std::move(bytes));
}

// The runs report to nobody.
class Quiet final : public codec::RunObserver {};

}  // namespace veil::fuzz
