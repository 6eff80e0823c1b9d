#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarnick {

// Follows the key=value report that ffmpeg writes for "-progress FILE":
// blocks of lines ending in "progress=continue" or "progress=end".
class ProgressReport {
 public:
  ProgressReport() = default;
  explicit ProgressReport(std::string path) : path_(std::move(path)) {}

  // Reads what the encoder added to the file since the last call.
  void Poll();
  // Takes report text as it comes; a line cut off at the end waits for the
  // rest.
  void Feed(std::string_view bytes);

  // How far the output has come, in seconds of the source.
  std::optional<double> OutTimeSeconds() const { return outTime_; }
  bool Ended() const { return ended_; }

 private:
  void TakeLine(std::string_view line);

  std::string path_;
  std::uint64_t offset_ = 0;
  std::string pending_;
  std::optional<double> outTime_;
  bool ended_ = false;
};

// ffprobe beside the encoder, else on PATH; empty when there is none.
std::string LocateProbe(const std::string& encoderPath);

// The length of a source in seconds, asked of ffprobe; nothing when it
// cannot tell, or when `cancelled` says so while it runs (looked at every
// 50 ms). The source is given as an absolute path after "--", so no name
// becomes an option.
std::optional<double> ProbeDurationSeconds(const std::string& probePath, const std::string& source,
                                           const std::function<bool()>& cancelled = {});

// The last line of a text that holds more than blanks, without line ends.
std::string LastNonEmptyLine(std::string_view text);

}  // namespace tarnick
