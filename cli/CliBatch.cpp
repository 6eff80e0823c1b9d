#include "cli/CliBatch.h"
#include "cli/DryRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "cli/ConsoleProgress.h"
#include "cli/EncoderProgress.h"
#include "engine/CommandLine.h"
#include "platform/ChildRuns.h"
#include "platform/EncoderAdapter.h"
#include "platform/EncoderLocator.h"
#include "platform/EncoderLog.h"
#include "platform/FileOps.h"
#include "platform/ProcessLauncher.h"

namespace tarnick {
namespace {

volatile std::sig_atomic_t interruptSignal = 0;

extern "C" void OnInterrupt(int signal) {
  interruptSignal = signal;
}

std::uint64_t FileLength(const std::string& path) {
  std::int64_t size = FileSizeOf(path);
  return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

// The waits of the batch, with an eye on Ctrl-C: the pump ends the run when
// it came, and reads the encoder's progress report.
class ConsolePump : public IMessagePump, public ISleeper {
 public:
  explicit ConsolePump(ConsoleProgress& view) : view_(view) {}

  void Follow(ProgressReport* report, LogDuration* duration) {
    report_ = report;
    duration_ = duration;
  }

  void ProcessMessages() override {
    if (interruptSignal != 0) view_.Interrupt();
    if (duration_ && !duration_->Done())
      if (auto d = duration_->Poll()) view_.DurationFound(*d);
    if (!report_) return;
    report_->Poll();
    if (auto t = report_->OutTimeSeconds()) view_.RunProgress(*t, report_->Fps());
  }

  // The preview's wait is left out with its run; the side thumbnail's wait
  // stays, so the thumbnail has its second as in the window.
  void SkipNextSleep() { skipNext_ = true; }
  void Sleep(int milliseconds) override {
    if (std::exchange(skipNext_, false)) return;
    ThreadSleeper sleeper;
    for (int left = milliseconds; left > 0 && interruptSignal == 0; left -= 50)
      sleeper.Sleep(std::min(left, 50));
  }

 private:
  ConsoleProgress& view_;
  ProgressReport* report_ = nullptr;
  LogDuration* duration_ = nullptr;
  bool skipNext_ = false;
};

// The runners' messages, in English and each once: the summary says what
// the end message would, so only the others are shown.
class ConsoleNotifier : public INotifier {
 public:
  ConsoleNotifier(BatchReport& report, std::string searchText)
      : report_(report), searchText_(std::move(searchText)) {}
  void Beep() override {}
  void ShowMessage(const std::string& text) override { Say(text); }
  void ShowBatchMessage(BatchMessage id, const std::string&) override {
    switch (id) {
      case BatchMessage::UnsupportedFiles:
        return;
      case BatchMessage::UnknownError:
        Say("an error of unknown cause occurred; the batch is stopped");
        return;
      case BatchMessage::EncoderNotStarted:
        Say("the encoder (ffmpeg) could not be started; the batch is stopped (looked in: " +
            searchText_ + ")");
        return;
    }
  }

 private:
  void Say(const std::string& text) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (!said_.insert(text).second) return;
    }
    report_.Warning(text);
  }

  BatchReport& report_;
  std::string searchText_;
  std::mutex lock_;
  std::set<std::string> said_;
};

// Stands between the batch and the process launcher: adds the progress
// report to each conversion, leaves out the preview (the console shows no
// picture), runs the side thumbnails as children it can wait for and end,
// and tells the view how each run went.
class ConsoleLauncher : public IProcessLauncher {
 public:
  ConsoleLauncher(ProcessLauncher& inner, CliHost& host, ConsoleProgress& view, ConsolePump& pump,
                  BatchReport* verbose)
      : inner_(inner), host_(host), view_(view), pump_(pump), verbose_(verbose) {}

  ~ConsoleLauncher() override { EndThumbnails(interruptSignal != 0); }

  bool TerminateConversion() override { return inner_.TerminateConversion(); }
  std::string EncoderSearchText() const override { return inner_.EncoderSearchText(); }

  void StartThumbnailRun(const EncoderCommand& command) override {
    if (command.Kind == EncoderRunKind::PreviewThumbnail) {
      pump_.SkipNextSleep();
      return;
    }
    if (interruptSignal != 0) return;
    inner_.StartThumbnailRun(command);
  }

  void EndThumbnailRuns() override { inner_.EndThumbnailRuns(); }

  RunOutcome RunConversion(const EncoderCommand& command, IMessagePump& pump) override {
    if (interruptSignal != 0) {
      // Ctrl-C came during a wait: this run is cancelled before it starts.
      view_.RunStarted(std::nullopt);
      view_.RunEnded(true, "");
      view_.Interrupt();
      return RunOutcome{true, false, -1};
    }
    const std::string source = host_.CurrentSource();
    if (verbose_) verbose_->Warning("run: " + command.Text);

    EncoderCommand run = command;
    const std::string reportPath =
        reportDir_.isValid() ? reportDir_.filePath("progress.txt").toStdString() : std::string();
    if (!reportPath.empty() && run.Arguments.size() > 2) {
      QFile::remove(QString::fromStdString(reportPath));
      // After the input: ffmpeg takes global options anywhere.
      run.Arguments.insert(run.Arguments.begin() + 2, {"-progress", reportPath, "-nostats"});
    }
    ProgressReport report(reportPath);
    const std::uint64_t logStart = FileLength(inner_.LogPath());
    // The length comes with the encoder's first messages; a second pass
    // knows it from the first.
    LogDuration duration(inner_.LogPath(), logStart);
    auto known = durations_.find(source);
    pump_.Follow(&report, known == durations_.end() ? &duration : nullptr);

    view_.RunStarted(known == durations_.end() ? std::nullopt : known->second);
    RunOutcome outcome = inner_.RunConversion(run, pump);
    pump_.Follow(nullptr, nullptr);
    if (known == durations_.end() && !duration.Done()) {
      if (auto d = duration.Poll()) view_.DurationFound(*d);
    }
    if (interruptSignal != 0) view_.Interrupt();

    if (!outcome.Started) {
      view_.RunEnded(false, "the encoder could not be started");
      return outcome;
    }
    if (known == durations_.end())
      durations_[source] = LogDuration(inner_.LogPath(), logStart).Poll();
    std::string failure;
    if (!outcome.NormalExit) {
      failure = "the encoder crashed";
    } else if (!outcome.WriteError.empty()) {
      failure = outcome.WriteError;
    } else if (outcome.ExitCode != 0 || FileSizeOf(host_.CurrentOutput()) < 0) {
      failure = LastNonEmptyLine(ReadLogTail(inner_.LogPath(), logStart, 64 << 10));
      if (failure.empty() || failure.rfind("$ ", 0) == 0)
        failure = outcome.ExitCode != 0
                      ? "the encoder ended with exit code " + std::to_string(outcome.ExitCode)
                      : "the encoder wrote no output";
    } else if (!IsCompleteMp4File(host_.CurrentOutput())) {
      failure = "the output is no complete MP4 (its index is missing)";
    }
    if (!failure.empty()) encoderFailed_ = true;
    view_.RunEnded(view_.Interrupted(), failure,
                   failure.empty() ? std::string() : inner_.LogPath());
    return outcome;
  }

  // True when a run that started failed: its messages are in the log.
  bool EncoderFailed() const { return encoderFailed_; }

  // Lets the side thumbnails finish, or ends them after a cancel.
  void EndThumbnails(bool kill) {
    if (kill)
      inner_.EndThumbnailRuns();
    else
      inner_.WaitForThumbnailRuns(30000);
  }

 private:
  ProcessLauncher& inner_;
  CliHost& host_;
  ConsoleProgress& view_;
  ConsolePump& pump_;
  BatchReport* verbose_;
  QTemporaryDir reportDir_{QDir(QDir::tempPath()).filePath("tarnick-cli-XXXXXX")};
  std::map<std::string, std::optional<double>> durations_;
  bool encoderFailed_ = false;
};

// The list as one runner of several sees it: every output already named,
// each file converted by the first runner that takes it.
class SharedFiles {
 public:
  SharedFiles(std::vector<std::string> outputs, std::vector<bool> leftOut)
      : outputs_(std::move(outputs)), taken_(std::move(leftOut)) {}

  const std::string& Output(int i) const { return outputs_.at(static_cast<std::size_t>(i)); }
  bool Take(int i) {
    std::lock_guard<std::mutex> hold(lock_);
    const std::size_t at = static_cast<std::size_t>(i);
    if (stopped_ || taken_.at(at)) return false;
    taken_[at] = true;
    return true;
  }
  // After a cancel or an encoder that cannot start: no file is handed out.
  void Stop() {
    std::lock_guard<std::mutex> hold(lock_);
    stopped_ = true;
  }

 private:
  std::vector<std::string> outputs_;
  std::mutex lock_;
  std::vector<bool> taken_;
  bool stopped_ = false;
};

class RunnerHost : public ListBatchHost {
 public:
  RunnerHost(const CliHost& list, SharedFiles& files)
      : ListBatchHost(list.sources, list.settings, list.programFolder), files_(files) {
    encoderFolder = list.encoderFolder;
  }
  std::string GivenOutput(int index) const override { return files_.Output(index); }
  bool TakeSource(int index) override { return files_.Take(index); }

 private:
  SharedFiles& files_;
};

struct RunnerEnd {
  BatchResult Result;
  bool KeepLog = false;
  std::string LogPath;
};

// One runner: its own encoder processes, log, progress file and pass
// statistics, the shared list and report.
RunnerEnd RunRunner(const CliHost& list, SharedFiles& shared, BatchReport& report,
                    INotifier& notifier, const std::string& logPath, bool verbose) {
  RunnerHost host(list, shared);
  ConsoleProgress view(report, host);
  ConsolePump pump(view);
  FileOps files;
  RunnerEnd end;
  end.LogPath = logPath;
  {
    ProcessLauncher launcher(list.EncoderFolder(), logPath);
    ConsoleLauncher console(launcher, host, view, pump, verbose ? &report : nullptr);
    end.Result = Button0Click(
        BatchContext{host, view, console, pump, pump, notifier, files, NativePathStyle});
    if (end.Result.End != BatchEnd::Completed) shared.Stop();
    console.EndThumbnails(interruptSignal != 0);
    end.KeepLog = console.EncoderFailed() || verbose;
  }
  view.Finish();
  return end;
}

class PlanningRun : public IProcessLauncher,
                    public IMessagePump,
                    public ISleeper,
                    public INotifier,
                    public SilentProgressView {
 public:
  PlanningRun(const CliHost& host, std::vector<std::string>& outputs)
      : host_(host), outputs_(outputs) {}
  bool TerminateConversion() override { return false; }
  void StartThumbnailRun(const EncoderCommand&) override {}
  RunOutcome RunConversion(const EncoderCommand&, IMessagePump&) override {
    return {true, true, 0};
  }
  std::string EncoderSearchText() const override { return std::string(); }
  void EndThumbnailRuns() override {}
  void ProcessMessages() override {}
  void Sleep(int) override {}
  void Beep() override {}
  void ShowMessage(const std::string&) override {}
  // The batch names the pass's paths just before it moves the position.
  void SetProgressPosition(int i) override {
    if (i >= 0 && i < static_cast<int>(outputs_.size()))
      outputs_[static_cast<std::size_t>(i)] = host_.CurrentOutput();
  }

 private:
  const CliHost& host_;
  std::vector<std::string>& outputs_;
};

bool NewerThan(const std::string& output, const std::string& source) {
  namespace fs = std::filesystem;
  std::error_code e1, e2;
  if (!fs::is_regular_file(fs::path(output), e1)) return false;
  const auto out = fs::last_write_time(fs::path(output), e1);
  const auto in = fs::last_write_time(fs::path(source), e2);
  return !e1 && !e2 && out > in;
}

}  // namespace

std::vector<std::string> PlanOutputs(const CliHost& host) {
  CliHost copy(host.sources, host.settings, host.programFolder);
  copy.encoderFolder = host.encoderFolder;
  std::vector<std::string> outputs(host.sources.size());
  PlanningRun run(copy, outputs);
  LookingFiles files;
  Button0Click(BatchContext{copy, run, run, run, run, run, files, NativePathStyle});
  return outputs;
}

void InstallInterruptHandler() {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
}

int RunConsoleBatch(CliHost& host, int missingPaths, const CliEnvironment& env,
                    const ConsoleBatchOptions& options) {
  if (host.SourceCount() == 0) {
    env.Err << "tarnick-cli: no files to convert\n";
    return ExitFailed;
  }
  // Until here Ctrl-C simply ends the program: nothing has been started.
  InstallInterruptHandler();

  std::ostream& human = options.Json ? env.Err : env.Out;
  ReportStreams streams;
  streams.Progress = options.Quiet ? nullptr : &human;
  streams.Err = &env.Err;
  streams.Json = options.Json ? &env.Out : nullptr;
  streams.Terminal = options.Json ? env.ErrIsTerminal : env.OutIsTerminal;
  BatchReport report(streams, host.SourceCount(), host.Settings().Passes(),
                     BatchReport::SteadySeconds);

  // Every name is decided before the first run, whatever runs first.
  std::vector<std::string> outputs = PlanOutputs(host);
  std::vector<bool> leftOut(outputs.size(), false);
  int upToDate = 0;
  if (options.SkipExisting) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
      const std::string& source = host.sources[i];
      if (outputs[i].empty() || !NewerThan(outputs[i], source)) continue;
      leftOut[i] = true;
      ++upToDate;
      report.Skip(static_cast<int>(i),
                  ExtractFileName(NativePathStyle, source) + " -> " +
                      ExtractFileName(NativePathStyle, outputs[i]),
                  source, outputs[i], "skipped: the output is newer than the source");
    }
  }
  SharedFiles shared(outputs, leftOut);

  const EncoderLocation encoder = LocateEncoder(env.Places.EncoderFolder);
  // Asked once here, before runners may ask at the same time.
  if (!encoder.Path.empty()) ProbeEncoders(encoder.Path);
  ConsoleNotifier notifier(report, encoder.SearchText);

  const int toRun = host.SourceCount() - upToDate;
  const int jobs = std::max(1, std::min(options.Jobs, toRun));
  const std::string logBase = "cli-" + std::to_string(QCoreApplication::applicationPid());
  std::vector<RunnerEnd> ends(static_cast<std::size_t>(jobs));
  std::vector<std::string> logs;
  for (int k = 0; k < jobs; ++k)
    logs.push_back(EncoderLogPath(logBase + (k == 0 ? "" : "-" + std::to_string(k + 1)) + ".log"));
  auto runner = [&](int k) {
    const auto at = static_cast<std::size_t>(k);
    ends[at] = RunRunner(host, shared, report, notifier, logs[at], options.Verbose);
  };
  if (jobs == 1) {
    runner(0);
  } else {
    std::vector<std::thread> threads;
    for (int k = 0; k < jobs; ++k) threads.emplace_back(runner, k);
    for (auto& t : threads) t.join();
  }
  report.Finish();

  int converted = 0, failed = 0, skipped = missingPaths;
  std::string failures;
  std::set<std::string> failedLogs;
  for (const FileRecord& r : report.Records()) {
    switch (r.Status) {
      case FileStatus::Converted:
        ++converted;
        break;
      case FileStatus::Failed:
        ++failed;
        failures += "  " + r.Source + ": " + r.Reason + "\n";
        if (!r.LogPath.empty()) failedLogs.insert(r.LogPath);
        break;
      case FileStatus::Skipped:
      case FileStatus::Cancelled:
      case FileStatus::Pending:
        ++skipped;
        break;
    }
  }

  bool allCompleted = true;
  std::string keptLogs;
  for (const RunnerEnd& e : ends) {
    allCompleted = allCompleted && e.Result.End == BatchEnd::Completed;
    // A log is kept only when it tells something.
    if (e.KeepLog && (options.Verbose || failedLogs.count(e.LogPath)))
      keptLogs += "encoder log: " + e.LogPath + "\n";
    else
      QFile::remove(QString::fromStdString(e.LogPath));
  }

  int code = ExitConverted;
  if (interruptSignal != 0)
    code = 128 + interruptSignal;
  else if (!allCompleted || failed > 0 || skipped - upToDate > 0)
    code = ExitFailed;

  if (!options.Quiet)
    human << converted << " converted, " << failed << " failed, " << skipped << " skipped\n"
          << std::flush;
  env.Err << failures << keptLogs << std::flush;
  report.Summary(converted, failed, skipped, code,
                 std::vector<std::string>(failedLogs.begin(), failedLogs.end()));
  env.Out.flush();
  return code;
}

}  // namespace tarnick
