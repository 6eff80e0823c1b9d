#include "cli/CliBatch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <list>
#include <map>
#include <memory>

#include "cli/ConsoleProgress.h"
#include "cli/EncoderProgress.h"
#include "engine/CommandLine.h"
#include "platform/ChildRuns.h"
#include "platform/EncoderAdapter.h"
#include "platform/FileOps.h"
#include "platform/ProcessLauncher.h"

namespace tarnick {
namespace {

volatile std::sig_atomic_t interruptSignal = 0;

extern "C" void OnInterrupt(int signal) { interruptSignal = signal; }

std::uint64_t FileLength(const std::string& path) {
  std::int64_t size = FileSizeOf(path);
  return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

std::string ReadFrom(const std::string& path, std::uint64_t offset) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly) || !f.seek(static_cast<qint64>(offset))) return std::string();
  return f.readAll().toStdString();
}

// The waits of the batch, with an eye on Ctrl-C: the pump ends the run when
// it came, and reads the encoder's progress report.
class ConsolePump : public IMessagePump, public ISleeper {
 public:
  explicit ConsolePump(ConsoleProgress& view) : view_(view) {}

  void Follow(ProgressReport* report) { report_ = report; }

  void ProcessMessages() override {
    if (interruptSignal != 0) view_.Interrupt();
    if (!report_) return;
    report_->Poll();
    if (auto t = report_->OutTimeSeconds()) view_.RunProgress(*t);
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
  bool skipNext_ = false;
};

// The runner's messages: the summary says what the end message would, so
// only the others are shown.
class ConsoleNotifier : public INotifier {
 public:
  explicit ConsoleNotifier(std::ostream& err) : err_(err) {}
  void Beep() override {}
  void ShowMessage(const std::string& text) override { err_ << "tarnick-cli: " << text << "\n"; }
  void ShowBatchMessage(BatchMessage id, const std::string& text) override {
    if (id != BatchMessage::UnsupportedFiles) ShowMessage(text);
  }

 private:
  std::ostream& err_;
};

// Stands between the batch and the process launcher: adds the progress
// report to each conversion, leaves out the preview (the console shows no
// picture), runs the side thumbnails as children it can wait for and end,
// and tells the view how each run went.
class ConsoleLauncher : public IProcessLauncher {
 public:
  ConsoleLauncher(ProcessLauncher& inner, CliHost& host, ConsoleProgress& view, ConsolePump& pump)
      : inner_(inner), host_(host), view_(view), pump_(pump) {}

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
    if (!durations_.count(source))
      durations_[source] = ProbeDurationSeconds(LocateProbe(inner_.EncoderPath()), source,
                                                 [] { return interruptSignal != 0; });

    EncoderCommand run = command;
    const std::string reportPath =
        reportDir_.isValid() ? reportDir_.filePath("progress.txt").toStdString() : std::string();
    if (!reportPath.empty() && run.Arguments.size() > 2) {
      QFile::remove(QString::fromStdString(reportPath));
      // After the input: ffmpeg takes global options anywhere.
      run.Arguments.insert(run.Arguments.begin() + 2, {"-progress", reportPath, "-nostats"});
    }
    ProgressReport report(reportPath);
    pump_.Follow(&report);
    const std::uint64_t logStart = FileLength(inner_.LogPath());

    view_.RunStarted(durations_[source]);
    RunOutcome outcome = inner_.RunConversion(run, pump);
    pump_.Follow(nullptr);
    if (interruptSignal != 0) view_.Interrupt();

    if (!outcome.Started) {
      view_.RunEnded(false, "the encoder could not be started");
      return outcome;
    }
    std::string failure;
    if (!outcome.NormalExit) {
      failure = "the encoder crashed";
    } else if (!outcome.WriteError.empty()) {
      failure = outcome.WriteError;
    } else if (outcome.ExitCode != 0 || FileSizeOf(host_.CurrentOutput()) < 0) {
      failure = LastNonEmptyLine(ReadFrom(inner_.LogPath(), logStart));
      if (failure.empty() || failure.rfind("$ ", 0) == 0)
        failure = outcome.ExitCode != 0 ? "the encoder ended with exit code " + std::to_string(outcome.ExitCode)
                                        : "the encoder wrote no output";
    } else if (!IsCompleteMp4File(host_.CurrentOutput())) {
      failure = "the output is no complete MP4 (its index is missing)";
    }
    if (!failure.empty()) encoderFailed_ = true;
    view_.RunEnded(view_.Interrupted(), failure);
    return outcome;
  }

  // True when a run that started failed: its messages are in the log.
  bool EncoderFailed() const { return encoderFailed_; }

  // Lets the side thumbnails finish, or ends them after a cancel.
  void EndThumbnails(bool kill) {
    if (kill) inner_.EndThumbnailRuns();
    else inner_.WaitForThumbnailRuns(30000);
  }

 private:
  ProcessLauncher& inner_;
  CliHost& host_;
  ConsoleProgress& view_;
  ConsolePump& pump_;
  QTemporaryDir reportDir_{QDir(QDir::tempPath()).filePath("tarnick-cli-XXXXXX")};
  std::map<std::string, std::optional<double>> durations_;
  bool encoderFailed_ = false;
};

}  // namespace

void InstallInterruptHandler() {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
}

int RunConsoleBatch(CliHost& host, int missingPaths, const CliEnvironment& env) {
  if (host.SourceCount() == 0) {
    env.Err << "tarnick-cli: no files to convert\n";
    return ExitFailed;
  }
  // Until here Ctrl-C simply ends the program: nothing has been started.
  InstallInterruptHandler();
  const std::string logPath =
      EncoderLogPath("cli-" + std::to_string(QCoreApplication::applicationPid()) + ".log");

  ConsoleProgress view(env.Out, env.OutIsTerminal, host);
  ConsolePump pump(view);
  ConsoleNotifier notifier(env.Err);
  FileOps files;
  BatchResult result;
  bool keepLog = false;
  {
    ProcessLauncher launcher(env.ProgramFolder, logPath);
    ConsoleLauncher console(launcher, host, view, pump);
    result = Button0Click(BatchContext{host, view, console, pump, pump, notifier, files, NativePathStyle});
    console.EndThumbnails(interruptSignal != 0);
    keepLog = console.EncoderFailed();
  }
  view.Finish();

  int converted = 0, failed = 0, skipped = missingPaths;
  std::string failures;
  for (const FileRecord& r : view.Records()) {
    switch (r.Status) {
      case FileStatus::Converted: ++converted; break;
      case FileStatus::Failed:
        ++failed;
        failures += "  " + r.Source + ": " + r.Reason + "\n";
        break;
      case FileStatus::Cancelled:
      case FileStatus::Pending: ++skipped; break;
    }
  }
  env.Out << converted << " converted, " << failed << " failed, " << skipped << " skipped\n"
          << failures;
  // The log is kept only when it tells something.
  if (keepLog)
    env.Out << "encoder log: " << logPath << "\n";
  else
    QFile::remove(QString::fromStdString(logPath));
  env.Out.flush();

  if (interruptSignal != 0) return 128 + interruptSignal;
  if (result.End != BatchEnd::Completed || failed > 0 || skipped > 0) return ExitFailed;
  return ExitConverted;
}

}  // namespace tarnick
