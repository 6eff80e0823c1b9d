#pragma once
// A private temporary folder for one benchmark run, removed when the program
// ends: benches never leave trees in shared folders or meet another run's.
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tarnick::bench {

class TempFolder {
 public:
  TempFolder() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarnick-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder: " + pattern);
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The one folder of this program run.
inline const std::filesystem::path& RunFolder() {
  static TempFolder folder;
  return folder.Path();
}

}  // namespace tarnick::bench
