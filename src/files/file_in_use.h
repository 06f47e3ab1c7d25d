#pragma once

#include <string>

#include "files/file_failure.h"

namespace veil {

// Another program holds the file (opened with a locked mode).
class FileInUse : public FileFailure {
 public:
  explicit FileInUse(const std::string& path)
      : FileFailure(Worded{path + " is in use by another program; try again when it is done"}, path,
                    "in use by another program") {}
};

}  // namespace veil
