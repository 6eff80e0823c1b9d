#pragma once

#include <cstdint>
#include <string>

#include "engine/BatchRunner.h"

namespace tarnick {

// File operations on the local file system.
class FileOps : public IFileOps {
 public:
  bool Exists(const std::string& path) const override;
  void Delete(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  std::int64_t FileSize(const std::string& path) const override;
  bool SameFile(const std::string& a, const std::string& b) const override;
};

// Size in bytes of a file that another process may still be writing; -1 when
// it cannot be opened (missing, empty path, no permission).
std::int64_t FileSizeOf(const std::string& path);

}  // namespace tarnick
