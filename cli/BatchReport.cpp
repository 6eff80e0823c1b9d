#include "cli/BatchReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace tarnick {
namespace {

QJsonValue Text(const std::string& s) {
  return QJsonValue(QString::fromStdString(s));
}

QJsonValue Seconds(std::optional<double> s) {
  return s ? QJsonValue(std::round(*s * 100) / 100) : QJsonValue(QJsonValue::Null);
}

std::string Line(const QJsonObject& o) {
  return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace

BatchReport::BatchReport(ReportStreams streams, int files, int passes, Clock clock)
    : streams_(streams),
      files_(files),
      passes_(std::max(passes, 1)),
      clock_(std::move(clock)),
      records_(static_cast<std::size_t>(std::max(files, 0))) {}

double BatchReport::SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string BatchReport::Duration(double seconds) {
  long total = seconds > 0 ? std::lround(seconds) : 0;
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

std::string BatchReport::WithoutPath(const std::string& reason, const std::string& source) {
  const std::string name = source.substr(source.find_last_of('/') + 1);
  for (const std::string& lead : {source, name})
    if (!lead.empty() && reason.size() > lead.size() + 2 &&
        reason.compare(0, lead.size(), lead) == 0 && reason.compare(lead.size(), 2, ": ") == 0)
      return reason.substr(lead.size() + 2);
  return reason;
}

std::string BatchReport::Prefix(int index, const Running& r) const {
  return "[" + std::to_string(index + 1) + "/" + std::to_string(files_) + "] " + r.Label +
         "  pass " + std::to_string(r.Pass) + "/" + std::to_string(passes_);
}

void BatchReport::Event(const std::string& json) {
  if (streams_.Json) *streams_.Json << json << '\n' << std::flush;
}

std::string BatchReport::FileEvent(const char* name, int index) const {
  const FileRecord& r = records_[static_cast<std::size_t>(index)];
  QJsonObject o{{"event", name},
                {"index", index + 1},
                {"files", files_},
                {"source", Text(r.Source)},
                {"output", Text(r.Output)}};
  if (r.Status == FileStatus::Failed) {
    o["reason"] = Text(r.Reason);
    o["log"] = r.LogPath.empty() ? QJsonValue(QJsonValue::Null) : Text(r.LogPath);
  }
  return Line(o);
}

void BatchReport::PassStarted(int index, int pass, const std::string& label,
                              const std::string& source, const std::string& output) {
  std::lock_guard<std::mutex> hold(lock_);
  if (index < 0 || index >= files_) return;
  if (start_ < 0) start_ = clock_();
  Running& r = running_[index];
  r = Running{};
  r.Pass = pass;
  r.Label = label;
  FileRecord& f = records_[static_cast<std::size_t>(index)];
  f.Source = source;
  f.Output = output;
  if (pass == 1) {
    QJsonObject o{{"event", "file-started"}, {"index", index + 1},     {"files", files_},
                  {"source", Text(source)},  {"output", Text(output)}, {"passes", passes_}};
    Event(Line(o));
  }
}

void BatchReport::RunStarted(int index, std::optional<double> duration) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = running_.find(index);
  if (it == running_.end()) return;
  Running& r = it->second;
  r.Duration = duration;
  r.RunStart = clock_();
  r.LastDraw = r.RunStart;
  r.State = duration ? "0%" : "starting";
  if (streams_.Terminal) Render({});
}

void BatchReport::DurationFound(int index, double seconds) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = running_.find(index);
  if (it == running_.end() || it->second.Duration || !(seconds > 0)) return;
  it->second.Duration = seconds;
  DrawProgress(index, it->second, clock_());
}

void BatchReport::DrawProgress(int index, Running& r, double now) {
  r.LastDraw = now;
  std::optional<double> left;
  std::optional<double> percent;
  if (!r.Duration) {
    r.State = Duration(r.Encoded) + " encoded";
  } else {
    const double fraction = std::clamp(r.Encoded / *r.Duration, 0.0, 1.0);
    percent = fraction * 100;
    r.State = std::to_string(static_cast<int>(fraction * 100)) + "%";
    if (fraction > 0.01) {
      left = (now - r.RunStart) * (1 - fraction) / fraction;
      r.State += "  " + Duration(*left) + " left";
    }
  }
  if (streams_.Terminal) Render({});
  (void)index;
}

void BatchReport::RunProgress(int index, double encoded, std::optional<double> fps) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = running_.find(index);
  if (it == running_.end()) return;
  Running& r = it->second;
  r.Encoded = encoded;
  const double now = clock_();
  // A redraw five times a second is enough to read and cheap on slow links.
  if (now - r.LastDraw < 0.2) return;
  DrawProgress(index, r, now);
  if (streams_.Json) {
    std::optional<double> fraction, left;
    if (r.Duration) fraction = std::clamp(encoded / *r.Duration, 0.0, 1.0);
    if (fraction && *fraction > 0.01) left = (now - r.RunStart) * (1 - *fraction) / *fraction;
    QJsonObject o{
        {"event", "progress"},
        {"index", index + 1},
        {"pass", r.Pass},
        {"passes", passes_},
        {"percent", fraction ? QJsonValue(std::floor(*fraction * 1000) / 10) : QJsonValue()},
        {"fps", fps ? QJsonValue(*fps) : QJsonValue()},
        {"eta", Seconds(left)},
        {"encoded", Seconds(encoded)},
        {"duration", Seconds(r.Duration)}};
    Event(Line(o));
  }
}

void BatchReport::RunEnded(int index, bool cancelled, const std::string& failure,
                           const std::string& logPath) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = running_.find(index);
  if (it == running_.end()) return;
  Running r = it->second;
  running_.erase(it);
  const double now = clock_();
  encodedDone_ += failure.empty() && !cancelled && r.Duration ? *r.Duration : r.Encoded;
  const std::string took = Duration(now - r.RunStart);
  FileRecord& f = records_[static_cast<std::size_t>(index)];
  ++f.PassesRun;
  std::string state;
  const char* event = nullptr;
  if (cancelled) {
    state = "cancelled";
    f.Status = FileStatus::Cancelled;
    event = "file-cancelled";
  } else if (!failure.empty()) {
    state = "failed after " + took;
    if (f.Status != FileStatus::Failed) {
      f.Status = FileStatus::Failed;
      f.Reason = WithoutPath(failure, f.Source);
      f.LogPath = logPath;
      event = "file-failed";
    }
  } else {
    state = "done in " + took;
    if (f.Status == FileStatus::Pending && r.Pass == passes_) {
      f.Status = FileStatus::Converted;
      event = "file-done";
    }
  }
  const std::string line = Prefix(index, r) + "  " + state;
  if (streams_.Terminal)
    Render({line});
  else if (streams_.Progress)
    *streams_.Progress << line << '\n' << std::flush;
  if (event) Event(FileEvent(event, index));
}

void BatchReport::PassNotRun(int index, const std::string& reason) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = running_.find(index);
  if (it == running_.end()) return;
  Running r = it->second;
  running_.erase(it);
  FileRecord& f = records_[static_cast<std::size_t>(index)];
  const bool first = f.Status != FileStatus::Failed;
  f.Status = FileStatus::Failed;
  if (f.Reason.empty()) f.Reason = reason;
  const std::string line = Prefix(index, r) + "  " + f.Reason;
  if (streams_.Terminal)
    Render({line});
  else if (streams_.Progress)
    *streams_.Progress << line << '\n' << std::flush;
  if (first) Event(FileEvent("file-failed", index));
}

void BatchReport::Skip(int index, const std::string& label, const std::string& source,
                       const std::string& output, const std::string& reason) {
  std::lock_guard<std::mutex> hold(lock_);
  if (index < 0 || index >= files_) return;
  FileRecord& f = records_[static_cast<std::size_t>(index)];
  f.Source = source;
  f.Output = output;
  f.Status = FileStatus::Skipped;
  f.Reason = reason;
  const std::string line =
      "[" + std::to_string(index + 1) + "/" + std::to_string(files_) + "] " + label + "  " + reason;
  if (streams_.Terminal)
    Render({line});
  else if (streams_.Progress)
    *streams_.Progress << line << '\n' << std::flush;
  QJsonObject o{{"event", "file-skipped"}, {"index", index + 1},     {"files", files_},
                {"source", Text(source)},  {"output", Text(output)}, {"reason", Text(reason)}};
  Event(Line(o));
}

void BatchReport::Warning(const std::string& text) {
  std::lock_guard<std::mutex> hold(lock_);
  if (!streams_.Err) return;
  // Below the running lines, which are drawn again after it.
  if (streams_.Terminal && streams_.Progress && drawn_ > 0) {
    *streams_.Progress << '\n' << std::flush;
    drawn_ = 0;
  }
  *streams_.Err << "tarnick-cli: " << text << '\n' << std::flush;
}

void BatchReport::Finish() {
  std::lock_guard<std::mutex> hold(lock_);
  if (streams_.Terminal && streams_.Progress && drawn_ > 0) {
    *streams_.Progress << '\n' << std::flush;
    drawn_ = 0;
  }
}

void BatchReport::Summary(int converted, int failed, int skipped, int exitCode,
                          const std::vector<std::string>& logs) {
  std::lock_guard<std::mutex> hold(lock_);
  const double elapsed = start_ < 0 ? 0 : clock_() - start_;
  QJsonObject o{{"event", "summary"},
                {"files", files_},
                {"converted", converted},
                {"failed", failed},
                {"skipped", skipped},
                {"seconds", Seconds(elapsed)},
                {"exit", exitCode},
                {"logs", [&] {
                   QJsonArray a;
                   for (const auto& l : logs) a.append(Text(l));
                   return a;
                 }()}};
  Event(Line(o));
}

std::vector<FileRecord> BatchReport::Records() const {
  std::lock_guard<std::mutex> hold(lock_);
  return records_;
}

double BatchReport::Elapsed() const {
  std::lock_guard<std::mutex> hold(lock_);
  return start_ < 0 ? 0 : clock_() - start_;
}

double BatchReport::OverallFraction() const {
  int counted = 0;
  double done = 0;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    const FileRecord& f = records_[i];
    if (f.Status == FileStatus::Skipped) continue;
    ++counted;
    auto it = running_.find(static_cast<int>(i));
    if (f.Status != FileStatus::Pending) {
      done += 1;
    } else if (it != running_.end()) {
      const Running& r = it->second;
      const double pass = r.Duration ? std::clamp(r.Encoded / *r.Duration, 0.0, 1.0) : 0.0;
      done += (r.Pass - 1 + pass) / passes_;
    } else {
      done += static_cast<double>(f.PassesRun) / passes_;
    }
  }
  return counted == 0 ? 0 : done / counted;
}

std::string BatchReport::OverallText(double now) const {
  int finished = 0, counted = 0;
  double encoded = encodedDone_;
  for (const FileRecord& f : records_) {
    if (f.Status == FileStatus::Skipped) continue;
    ++counted;
    if (f.Status != FileStatus::Pending) ++finished;
  }
  for (const auto& [i, r] : running_) encoded += r.Encoded;
  const double fraction = OverallFraction();
  const double elapsed = start_ < 0 ? 0 : now - start_;
  std::string text = "all: " + std::to_string(finished) + "/" + std::to_string(counted) +
                     " files  " + std::to_string(static_cast<int>(fraction * 100)) + "%";
  if (fraction > 0.01) text += "  " + Duration(elapsed * (1 - fraction) / fraction) + " left";
  if (elapsed > 0.5 && encoded > 0) {
    char speed[32];
    std::snprintf(speed, sizeof speed, "  %.1fx", encoded / elapsed);
    text += speed;
  }
  return text;
}

void BatchReport::Render(const std::vector<std::string>& done) {
  if (!streams_.Progress) return;
  std::string s;
  if (drawn_ > 1) s += "\r\x1b[" + std::to_string(drawn_ - 1) + "A";
  for (const std::string& line : done) s += "\r\x1b[K" + line + "\n";
  std::vector<std::string> block;
  for (const auto& [index, r] : running_)
    if (!r.State.empty()) block.push_back(Prefix(index, r) + "  " + r.State);
  if (!block.empty() && files_ > 1) block.push_back(OverallText(clock_()));
  for (std::size_t k = 0; k < block.size(); ++k)
    s += (k ? "\n" : "") + std::string("\r\x1b[K") + block[k];
  // Lines of a bigger block drawn before are cleared.
  if (drawn_ > 1 && block.size() + done.size() < static_cast<std::size_t>(drawn_)) s += "\x1b[J";
  drawn_ = static_cast<int>(block.size());
  *streams_.Progress << s << std::flush;
}

}  // namespace tarnick
