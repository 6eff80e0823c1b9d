#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "engine/BatchRunner.h"

class QProcess;
class QTemporaryDir;

namespace tarnick {

// Runs the encoder as hidden child processes, never through a shell: the
// command's argument list goes to the encoder as it is, adapted to the
// installed ffmpeg. Every run reads its standard input from the null device.
class ProcessLauncher : public IProcessLauncher {
 public:
  // The conversion runs' standard error is appended to `logPath` (emptied
  // here) for the error report.
  ProcessLauncher(std::string programFolder, std::string logPath);
  ~ProcessLauncher() override;
  ProcessLauncher(const ProcessLauncher&) = delete;
  ProcessLauncher& operator=(const ProcessLauncher&) = delete;

  void StartThumbnailRun(const EncoderCommand& command) override;
  RunOutcome RunConversion(const EncoderCommand& command, IMessagePump& pump) override;
  // Asks the running conversion to end (ffmpeg then closes its file) and
  // kills it when it has not ended after 3 seconds.
  bool TerminateConversion() override;
  std::string EncoderSearchText() const override;
  // Terminates the thumbnail runs still going (killed after 3 seconds).
  void EndThumbnailRuns() override;
  // Lets the thumbnail runs still going finish within `ms`, then ends them.
  void WaitForThumbnailRuns(int ms);
  // Waits at most `ms` for the thumbnail runs to end by themselves; true
  // when none is left running. Ends nothing.
  bool AwaitThumbnailRuns(int ms);

  const std::string& LogPath() const { return logPath_; }
  // The encoder found now, empty when there is none.
  std::string EncoderPath() const;

  static constexpr int WaitSliceMs = 60;
  static constexpr int KillAfterMs = 3000;

 private:
  std::string programFolder_;
  std::string logPath_;
  QProcess* running_ = nullptr;
  std::unique_ptr<QTemporaryDir> passLogDir_;
  // Thumbnail runs are children, so a cancel can end them.
  std::list<std::unique_ptr<QProcess>> thumbnails_;
};

// The argument list that runs for `command` with the installed encoder:
// the command's own list adapted to it.
std::vector<std::string> AdaptedRunArguments(const EncoderCommand& command,
                                             const std::string& encoderPath,
                                             const std::string& passLogPrefix);

// A log file of the encoder's messages in the user's private cache folder.
std::string EncoderLogPath(const std::string& name);
// Where the program keeps the encoder's messages of the last batches.
std::string DefaultEncoderLogPath();

// The real message pump and sleeper.
class QtMessagePump : public IMessagePump {
 public:
  void ProcessMessages() override;
};

class ThreadSleeper : public ISleeper {
 public:
  void Sleep(int milliseconds) override;
};

}  // namespace tarnick
