#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tarnick {

enum class FileStatus { Pending, Converted, Failed, Cancelled, Skipped };

// What became of one file of the batch, for the summary.
struct FileRecord {
  std::string Source;
  std::string Output;
  FileStatus Status = FileStatus::Pending;
  int PassesRun = 0;
  std::string Reason;   // why it failed: the encoder's last error line, or the refusal
  std::string LogPath;  // the encoder's messages of a failed run
};

// Where the report goes. A null progress stream is -q; a JSON stream gets
// one object per line for each event.
struct ReportStreams {
  std::ostream* Progress = nullptr;
  std::ostream* Err = nullptr;
  std::ostream* Json = nullptr;
  bool Terminal = false;
};

// The batch as the user follows it: one line per file and pass, and the
// record of every file. Several runners may report at once; every call
// takes the report's lock, so lines never mix. On a terminal the running
// files' lines are redrawn in place (with a line for the whole batch when it
// has more than one file); elsewhere one line is written per finished pass.
class BatchReport {
 public:
  using Clock = std::function<double()>;  // seconds, steady

  BatchReport(ReportStreams streams, int files, int passes, Clock clock);

  // `index` is the source's position in the list (0 = first).
  void PassStarted(int index, int pass, const std::string& label, const std::string& source,
                   const std::string& output);
  void RunStarted(int index, std::optional<double> durationSeconds);
  // The length of the source, read from the encoder's messages once it told.
  void DurationFound(int index, double seconds);
  void RunProgress(int index, double encodedSeconds, std::optional<double> fps = std::nullopt);
  // `failure` empty when the pass succeeded; `logPath` holds the run's messages.
  void RunEnded(int index, bool cancelled, const std::string& failure,
                const std::string& logPath = "");
  // A pass that ended before any run: refused, or failed on the way.
  void PassNotRun(int index, const std::string& reason);
  // A file left out before the batch (its output is up to date).
  void Skip(int index, const std::string& label, const std::string& source,
            const std::string& output, const std::string& reason);
  // A line on standard error.
  void Warning(const std::string& text);
  // After the batch: ends the drawing.
  void Finish();
  // The closing event of --json.
  void Summary(int converted, int failed, int skipped, int exitCode,
               const std::vector<std::string>& logs);

  std::vector<FileRecord> Records() const;
  double Elapsed() const;

  // "1:05", "0:07", "1:02:03".
  static std::string Duration(double seconds);
  static double SteadySeconds();
  // The encoder's line without the file's own path (or name) before it:
  // the summary names the file already.
  static std::string WithoutPath(const std::string& reason, const std::string& source);

 private:
  struct Running {
    int Pass = 0;
    std::string Label;
    std::string State;
    std::optional<double> Duration;
    double RunStart = 0;
    double LastDraw = -1;
    double Encoded = 0;
  };

  std::string Prefix(int index, const Running& r) const;
  // Writes `done` lines for good and redraws the running ones.
  void Render(const std::vector<std::string>& done);
  void DrawProgress(int index, Running& r, double now);
  std::string OverallText(double now) const;
  double OverallFraction() const;
  void Event(const std::string& json);
  std::string FileEvent(const char* name, int index) const;

  mutable std::mutex lock_;
  ReportStreams streams_;
  int files_;
  int passes_;
  Clock clock_;
  std::vector<FileRecord> records_;
  std::map<int, Running> running_;
  double start_ = -1;
  double encodedDone_ = 0;  // seconds of the sources encoded by ended runs
  int drawn_ = 0;           // lines of the running block on the terminal
};

}  // namespace tarnick
