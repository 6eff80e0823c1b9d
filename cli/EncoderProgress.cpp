#include "cli/EncoderProgress.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>

#include "platform/ChildRuns.h"
#include "platform/EncoderAdapter.h"
#include "platform/EncoderLocator.h"

#include <charconv>
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
  } else if (key == "progress") {
    ended_ = value == "end";
  }
}

std::string LocateProbe(const std::string& encoderPath) {
  // By bytes: the encoder's folder need not be a valid UTF-8 name.
  if (const std::size_t slash = encoderPath.rfind('/'); slash != std::string::npos) {
    const std::string beside = encoderPath.substr(0, slash + 1) + "ffprobe";
    struct stat st {};
    if (::stat(beside.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(beside.c_str(), X_OK) == 0)
      return beside;
  }
  return FindOnPath("ffprobe");
}

std::optional<double> ProbeDurationSeconds(const std::string& probePath, const std::string& source,
                                           const std::function<bool()>& cancelled) {
  if (probePath.empty()) return std::nullopt;
  QProcess p;
  p.setStandardInputFile(QProcess::nullDevice());
  p.setStandardErrorFile(QProcess::nullDevice());
  SetChildCommand(p, probePath,
                  {"-v", "error", "-show_entries", "format=duration", "-of", "default=nw=1:nk=1", "--",
                   AbsoluteForEncoder(source)});
  p.start();
  bool finished = false;
  if (p.waitForStarted(5000)) {
    for (int waited = 0; waited < 15000 && !(cancelled && cancelled()); waited += 50)
      if ((finished = p.waitForFinished(50)) || p.state() == QProcess::NotRunning) break;
    finished = finished || p.state() == QProcess::NotRunning;
  }
  if (!finished) {
    p.kill();
    p.waitForFinished(1000);
    return std::nullopt;
  }
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return std::nullopt;
  bool ok = false;
  double seconds = QString::fromUtf8(p.readAllStandardOutput()).trimmed().toDouble(&ok);
  if (!ok || !(seconds > 0)) return std::nullopt;
  return seconds;
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
