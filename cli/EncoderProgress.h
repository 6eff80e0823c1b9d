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
  // Frames encoded per second, as the encoder last said.
  std::optional<double> Fps() const { return fps_; }
  bool Ended() const { return ended_; }

 private:
  void TakeLine(std::string_view line);

  std::string path_;
  std::uint64_t offset_ = 0;
  std::string pending_;
  std::optional<double> outTime_;
  std::optional<double> fps_;
  bool ended_ = false;
};

// The length of the first input from a line of the encoder's messages,
// "  Duration: 00:01:02.50, start: 0.000000, bitrate: 1205 kb/s"; nothing
// for another line or "Duration: N/A".
std::optional<double> ParseDurationLine(std::string_view line);

// Follows the encoder's messages in its log while it runs, for the length of
// the source it reads: no probe has to run before the encode.
class LogDuration {
 public:
  LogDuration(std::string path, std::uint64_t offset) : path_(std::move(path)), offset_(offset) {}

  // Reads what the encoder added; the length once its line came.
  std::optional<double> Poll();
  // The line came, or the encoder went past its input without one.
  bool Done() const { return done_; }

 private:
  std::string path_;
  std::uint64_t offset_;
  std::string pending_;
  bool done_ = false;
};

// The last line of a text that holds more than blanks, without line ends.
std::string LastNonEmptyLine(std::string_view text);

}  // namespace tarnick
