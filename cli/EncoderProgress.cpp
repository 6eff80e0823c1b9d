#include "cli/EncoderProgress.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace tarnick {

void ProgressReport::Poll() {
  if (path_.empty()) return;
  std::ifstream in(path_, std::ios::binary);
  if (!in) return;
  in.seekg(static_cast<std::streamoff>(offset_));
  std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  offset_ += chunk.size();
  Feed(chunk);
}

void ProgressReport::Feed(std::string_view bytes) {
  pending_ += bytes;
  std::size_t start = 0;
  for (std::size_t nl; (nl = pending_.find('\n', start)) != std::string::npos; start = nl + 1)
    TakeLine(std::string_view(pending_).substr(start, nl - start));
  pending_.erase(0, start);
}

void ProgressReport::TakeLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  auto eq = line.find('=');
  if (eq == std::string_view::npos) return;
  std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
  // out_time_ms is microseconds too, in every ffmpeg that writes it.
  if (key == "out_time_us" || (key == "out_time_ms" && !outTime_)) {
    std::int64_t us = 0;
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), us);
    if (ec == std::errc() && end == value.data() + value.size() && us >= 0)
      outTime_ = static_cast<double>(us) / 1e6;
  } else if (key == "fps") {
    char* end = nullptr;
    const std::string v(value);
    const double fps = std::strtod(v.c_str(), &end);
    if (end && *end == '\0' && !v.empty() && fps >= 0) fps_ = fps;
  } else if (key == "progress") {
    ended_ = value == "end";
  }
}

std::optional<double> ParseDurationLine(std::string_view line) {
  constexpr std::string_view key = "Duration: ";
  const auto at = line.find(key);
  if (at == std::string_view::npos || line.find_first_not_of(' ') != at) return std::nullopt;
  const std::string_view t = line.substr(at + key.size());
  int h = 0, m = 0;
  double sec = 0;
  char tail = 0;
  const std::string text(t.substr(0, t.find(',')));
  if (std::sscanf(text.c_str(), "%d:%d:%lf%c", &h, &m, &sec, &tail) != 3 || h < 0 || m < 0 ||
      sec < 0)
    return std::nullopt;
  const double seconds = h * 3600.0 + m * 60.0 + sec;
  if (!(seconds > 0)) return std::nullopt;
  return seconds;
}

std::optional<double> LogDuration::Poll() {
  if (done_) return std::nullopt;
  std::ifstream in(path_, std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(static_cast<std::streamoff>(offset_));
  std::string chunk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  offset_ += chunk.size();
  pending_ += chunk;
  std::size_t start = 0;
  for (std::size_t nl; (nl = pending_.find_first_of("\r\n", start)) != std::string::npos;
       start = nl + 1) {
    const std::string_view line = std::string_view(pending_).substr(start, nl - start);
    if (auto d = ParseDurationLine(line)) {
      done_ = true;
      return d;
    }
    // The output's part of the messages: the input told no length.
    if (line.rfind("Output #0", 0) == 0 || line.rfind("Stream mapping:", 0) == 0) {
      done_ = true;
      return std::nullopt;
    }
  }
  pending_.erase(0, start);
  return std::nullopt;
}

std::string LastNonEmptyLine(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0) {
    std::size_t start = text.find_last_of("\r\n", end - 1);
    start = start == std::string_view::npos ? 0 : start + 1;
    std::string_view line = text.substr(start, end - start);
    if (line.find_first_not_of(" \t") != std::string_view::npos) return std::string(line);
    end = start == 0 ? 0 : start - 1;
  }
  return std::string();
}

}  // namespace tarnick
