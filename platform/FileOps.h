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
  bool IsCompleteMp4(const std::string& path) const override;
  bool IsSideThumbnailImage(const std::string& path) const override;
  FileIdentity Identify(const std::string& path) const override;
};

// Size in bytes of a file that another process may still be writing, taken
// with stat (a pipe is never opened); -1 when it is no regular file.
std::int64_t FileSizeOf(const std::string& path);

// True when the top-level boxes of the regular file `path`, read by their
// headers only, follow each other to its end and one of them is "moov".
bool IsCompleteMp4File(const std::string& path);

}  // namespace tarnick
