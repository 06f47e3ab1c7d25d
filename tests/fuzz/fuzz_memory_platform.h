#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "codec/module2.h"
#include "platform/file_failure.h"
#include "platform/memory_controls.h"
#include "platform/memory_file.h"
#include "platform/scripted/scripted_message_boxes.h"
#include "platform/scripted/scripted_pump.h"

namespace veil::fuzz {

using Buffer = std::shared_ptr<std::vector<std::uint8_t>>;

// The codec over files held in memory: a fuzzer runs thousands of inputs a
// second without touching the disk.
struct MemoryPlatform {
  std::map<std::string, Buffer> disk;
  NumberedFiles files{[this](const std::string& path, OpenMode mode) -> std::unique_ptr<RawFile> {
    auto found = disk.find(path);
    if (found == disk.end()) {
      if (mode == OpenMode::kReadOnly || mode == OpenMode::kReadWriteExisting) throw FileFailure("no " + path);
      found = disk.emplace(path, std::make_shared<std::vector<std::uint8_t>>()).first;
    }
    if (mode == OpenMode::kCreateTruncate) found->second->clear();
    return std::make_unique<MemoryFile>(found->second);
  }};
  ScriptedMessageBoxes boxes{[](const std::string& fault) {
    std::fprintf(stderr, "unexpected prompt: %s\n", fault.c_str());
    std::abort();
  }};
  MemoryControls controls;
  ScriptedPump pump;
  SharedState state;
  Module2 codec{state, {files, boxes, controls, pump}};

  MemoryPlatform() {
    controls.Add("ChkPassword", {"Value"});
    controls.Add("Labtmp", {"Caption"});
    controls.Add("labfinish", {"Caption"});
  }
  Buffer Put(const std::string& path, std::vector<std::uint8_t> bytes) {
    return disk[path] = std::make_shared<std::vector<std::uint8_t>>(std::move(bytes));
  }
};

}  // namespace veil::fuzz
